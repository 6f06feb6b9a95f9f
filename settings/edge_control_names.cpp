#include "settings/edge_control_names.h"

namespace kalvora {

EdgeNames RightEdgeNames(int k)
{
    const QString d = QString::number(k);
    return {"REdgeFeathering" + d + "CheckBox", "GammaLabel" + d + "_2",      "RGamma" + d + "Edit",
            "RGamma" + d + "UpDown",           "HaloWidth" + d + "_2Label",   "RHaloWidth" + d + "Edit",
            "RHaloWidth" + d + "UpDown",        "HaloOffset" + d + "_2Label", "RHaloOffset" + d + "Edit",
            "RHaloOffset" + d + "UpDown"};
}

EdgeNames LeftEdgeNames(int k)
{
    const QString d = QString::number(k);
    return {"LEdgeFeathering" + d + "CheckBox", "GammaLabel" + d,      "LGamma" + d + "Edit",
            "LGamma" + d + "UpDown",           "HaloWidth" + d + "Label", "LHaloWidth" + d + "Edit",
            "LHaloWidth" + d + "UpDown",        "HaloOffset" + d + "Label", "LHaloOffset" + d + "Edit",
            "LHaloOffset" + d + "UpDown"};
}

EdgeNames EndEdgeNames(int k)
{
    const QString d = QString::number(k);
    return {"EdgeFeathering" + d + "CheckBox", "GammaLabel" + d,      "Gamma" + d + "Edit",
            "Gamma" + d + "UpDown",           "HaloWidth" + d + "Label", "HaloWidth" + d + "Edit",
            "HaloWidth" + d + "UpDown",        "HaloOffset" + d + "Label", "HaloOffset" + d + "Edit",
            "HaloOffset" + d + "UpDown"};
}

}  // namespace kalvora
