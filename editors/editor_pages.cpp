#include "editors/editor_pages.h"

#include "editors/edge_control_names.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "editors/radio_group.h"
#include "platform/gui/named_widget.h"

namespace kalvora {
namespace {

QWidget* MakePage(QWidget* parent, const char* name)
{
    auto* page = new QWidget(parent);
    page->setObjectName(QString::fromLatin1(name));
    return page;
}

QSpinBox* MakeUpDown(QWidget* parent, const QString& name)
{
    auto* spin = MakeNamed<QSpinBox>(parent, name);
    spin->setFixedWidth(18);
    spin->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    return spin;
}

QLineEdit* MakeEdit(QWidget* parent, const QString& name, const QString& text, int maxLength = 5)
{
    auto* edit = MakeNamed<QLineEdit>(parent, name, text);
    edit->setMaxLength(maxLength);
    edit->setFixedWidth(44);
    return edit;
}

// One edge of one screen: enable, gamma, halo width and offset, named with the screen digit.
void AddEdge(QGroupBox* halo, QGroupBox* feather, int row, const EdgeNames& n, QChar side)
{
    auto* hl = static_cast<QGridLayout*>(halo->layout());
    hl->addWidget(MakeNamed<QLabel>(halo, n.widthLabel, QStringLiteral("Width(%1)").arg(side)), row, 0);
    hl->addWidget(MakeEdit(halo, n.width, QStringLiteral("0")), row, 1);
    hl->addWidget(MakeUpDown(halo, n.widthUpDown), row, 2);
    hl->addWidget(MakeNamed<QLabel>(halo, n.offsetLabel, QStringLiteral("Offset(%1)").arg(side)), row, 3);
    hl->addWidget(MakeEdit(halo, n.offset, QStringLiteral("0")), row, 4);
    hl->addWidget(MakeUpDown(halo, n.offsetUpDown), row, 5);

    auto* fl = static_cast<QGridLayout*>(feather->layout());
    fl->addWidget(MakeNamed<QCheckBox>(feather, n.enable, QStringLiteral("Enable (%1)").arg(side)), row, 0);
    fl->addWidget(MakeNamed<QLabel>(feather, n.gammaLabel, QStringLiteral("Gamma(%1)").arg(side)), row, 1);
    fl->addWidget(MakeEdit(feather, n.gamma, QStringLiteral("2.2"), 4), row, 2);
    fl->addWidget(MakeUpDown(feather, n.gammaUpDown), row, 3);
}

QGroupBox* MakeScreenGroup(QWidget* parent, int k)
{
    const QString d = QString::number(k);
    auto* box = MakeNamed<QGroupBox>(parent, "Screen" + d + "GroupBox", QStringLiteral("Screen %1 Controls").arg(k));
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(4, 2, 4, 2);
    grid->setSpacing(2);

    auto* pattern = MakeNamed<QComboBox>(box, "TestPattern" + d + "ComboBox");
    grid->addWidget(pattern, 0, 0, 1, 2);
    grid->addWidget(MakeNamed<QCheckBox>(box, "TestGrid" + d + "CheckBox", QStringLiteral("Test Grid")), 0, 2);
    grid->addWidget(MakeNamed<QCheckBox>(box, "OutputRaster" + d + "CheckBox", QStringLiteral("Output Raster Box")),
                    0, 3);
    auto* blackRow = new QHBoxLayout;
    blackRow->addWidget(new QLabel(QStringLiteral("Black Level "), box));
    blackRow->addWidget(MakeEdit(box, "Black" + d + "Edit", QStringLiteral("0"), 3));
    blackRow->addWidget(MakeUpDown(box, "Black" + d + "UpDown"));
    blackRow->addStretch();
    grid->addLayout(blackRow, 1, 0, 1, 4);

    auto* halo = MakeNamed<QGroupBox>(box, "HaloRemoval" + d + "GroupBox", QStringLiteral("Halo Removal"));
    new QGridLayout(halo);
    auto* feather = MakeNamed<QGroupBox>(box, "EdgeFeather" + d + "GroupBox", QStringLiteral("Edge Feathering (Advanced)"));
    new QGridLayout(feather);
    feather->setVisible(false);  // visible only in advanced mode
    if (k == 1) {
        AddEdge(halo, feather, 0, EndEdgeNames(k), QLatin1Char('R'));
    } else if (k == 8) {
        AddEdge(halo, feather, 0, EndEdgeNames(k), QLatin1Char('L'));
    } else {
        AddEdge(halo, feather, 0, LeftEdgeNames(k), QLatin1Char('L'));
        AddEdge(halo, feather, 1, RightEdgeNames(k), QLatin1Char('R'));
    }
    grid->addWidget(halo, 2, 0, 1, 4);
    grid->addWidget(feather, 3, 0, 1, 4);
    box->setVisible(false);  // the projector count decides which screens show
    return box;
}

QWidget* MakeScreenTab(QWidget* parent, const char* name, int first)
{
    auto* tab = MakePage(parent, name);
    auto* grid = new QGridLayout(tab);
    grid->setContentsMargins(2, 2, 2, 2);
    for (int i = 0; i < 4; ++i) grid->addWidget(MakeScreenGroup(tab, first + i), i / 2, i % 2, Qt::AlignTop);
    return tab;
}

QWidget* MakeWallControls(QWidget* parent)
{
    auto* column = new QWidget(parent);
    auto* v = new QVBoxLayout(column);
    v->setContentsMargins(0, 0, 0, 0);

    auto* doubling = MakeNamed<QGroupBox>(column, QStringLiteral("DataDoubleGroupBox"), QStringLiteral("Data Doubling"));
    auto* dl = new QGridLayout(doubling);
    dl->addWidget(MakeNamed<QCheckBox>(doubling, QStringLiteral("EnDataDoubleCheckBox"), QStringLiteral("Enable")), 0, 0, 1, 3);
    dl->addWidget(new QLabel(QStringLiteral("Overlap Width"), doubling), 1, 0);
    dl->addWidget(MakeEdit(doubling, QStringLiteral("OWidthEdit"), QStringLiteral("64")), 1, 1);
    dl->addWidget(MakeUpDown(doubling, QStringLiteral("OWidthUpDown")), 1, 2);
    doubling->setVisible(false);

    auto* basic = MakeNamed<QGroupBox>(column, QStringLiteral("EdgeFeatherBasicGroupBox"),
                                       QStringLiteral("Edge Feathering Basic Mode"));
    auto* bl = new QGridLayout(basic);
    auto* basicEnable = MakeNamed<QCheckBox>(basic, QStringLiteral("BasicEdgeFeatheringCheckBox"), QStringLiteral("Enable "));
    basicEnable->setEnabled(false);
    bl->addWidget(basicEnable, 0, 0, 1, 3);
    bl->addWidget(new QLabel(QStringLiteral("Gamma"), basic), 1, 0);
    auto* gamma = MakeEdit(basic, QStringLiteral("BasicGammaEdit"), QStringLiteral("2.2"), 4);
    gamma->setToolTip(QStringLiteral("(1.0 - 5.0)"));
    bl->addWidget(gamma, 1, 1);
    bl->addWidget(MakeUpDown(basic, QStringLiteral("BasicGammaUpDown")), 1, 2);

    auto* advanced = MakeNamed<QCheckBox>(column, QStringLiteral("AdvanceModeCheckBox"),
                                          QStringLiteral("Edge Feathering Advanced Mode"));
    advanced->setToolTip(QStringLiteral("Advance Mode allows Left/Right side to have different Edge Gamma,  Edge Width, "
                                        "and Data Double Width. Basic Mode makes sure Left/Right side have same values."));
    advanced->setVisible(false);

    auto* curve = MakeNamed<RadioGroup>(column, QStringLiteral("FeatherRadioGroup"), QString());
    curve->setItems({QStringLiteral("S-Curve"), QStringLiteral("Linear")});

    v->addWidget(doubling);
    v->addWidget(basic);
    v->addWidget(advanced);
    v->addWidget(curve);
    v->addStretch();
    column->setFixedWidth(180);
    return column;
}

}  // namespace

QWidget* CreateProjectorSetupPage(QWidget* parent)
{
    auto* page = MakePage(parent, "ProjAlignTabSheet");
    auto* v = new QVBoxLayout(page);
    v->addStretch();
    return page;
}

QWidget* CreateDisplaySetupPage(QWidget* parent)
{
    auto* page = MakePage(parent, "DisplaySetupTabSheet");
    auto* h = new QHBoxLayout(page);
    h->setContentsMargins(2, 2, 2, 2);
    auto* screens = MakeNamed<QTabWidget>(page, QStringLiteral("ScreenPageControl"));
    screens->addTab(MakeScreenTab(screens, "Screen14TabSheet", 1), QStringLiteral("Screens 1-4 Controls"));
    screens->addTab(MakeScreenTab(screens, "Screen58TabSheet", 5), QStringLiteral("Screen 5-8 Controls"));
    screens->setTabVisible(1, false);
    screens->setEnabled(false);  // until the first successful calculation
    h->addWidget(screens, 1);
    h->addWidget(MakeWallControls(page));
    return page;
}

}  // namespace kalvora
