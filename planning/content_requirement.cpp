#include "planning/content_requirement.h"

#include "settings/number_format.h"

namespace kalvora {

namespace {

// Sub-groups of the wall that a content producer may render for, by projector count:
// 0 stands for the two-head aspect line (which must be centred), k for the k-head size line.
const int* GroupsFor(int n, int& count)
{
    static const int k1[] = {-1};
    static const int k2[] = {0};
    static const int k3[] = {3};
    static const int k4[] = {0, 4};
    static const int k5[] = {5};
    static const int k6[] = {0, 3, 6};
    static const int k7[] = {7};
    static const int k8[] = {0, 4, 8};
    static const struct { const int* groups; int count; } table[] = {
        {k1, 0}, {k2, 1}, {k3, 1}, {k4, 2}, {k5, 1}, {k6, 3}, {k7, 1}, {k8, 3}};
    if (n < 1 || n > 8) n = 1;
    count = table[n - 1].count;
    return table[n - 1].groups;
}

}  // namespace

QString ContentRequirementText(int n, const QString& aspect, double resH, double resV,
                               const QString& imageH, const QString& imageV)
{
    const QString eol = QStringLiteral("\r\n");
    const QString noteIndent(38, QLatin1Char(' '));
    const QString centred = noteIndent + QStringLiteral("(Must be Centered)") + eol;
    const QString either = noteIndent + QStringLiteral("(Center or Left Justified)") + eol;
    const QString rh = QString::number(TruncateToInteger(resH));
    const QString rv = QString::number(TruncateToInteger(resV));

    QString text = QStringLiteral(" - Single Graphic Source:    ") + aspect +
                   QStringLiteral(" : 1 Aspect Ratio Image Required") + eol + either;
    int count = 0;
    const int* groups = GroupsFor(n, count);
    for (int i = 0; i < count; ++i) {
        if (groups[i] == 0) {
            text += QStringLiteral(" - 2 Head Graphic Source:    ") + aspect +
                    QStringLiteral(" : 1 Aspect Ratio Image Required") + eol + centred;
        } else {
            text += QStringLiteral(" - %1 Head Graphic Source (%2 x %3 resolution): ").arg(groups[i]).arg(rh, rv) +
                    imageH + QStringLiteral(" x ") + imageV + QStringLiteral(" Image Size Required") + eol + either;
        }
    }
    return text;
}

}  // namespace kalvora
