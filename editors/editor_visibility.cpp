#include "editors/editor_visibility.h"

#include <QCheckBox>
#include <QTabWidget>
#include <QWidget>

#include "editors/field_controls.h"
#include "editors/radio_group.h"
#include "platform/gui/named_widget.h"

namespace kalvora {
namespace {

void SetVisible(QWidget* root, const QString& name, bool visible)
{
    if (QWidget* w = FindNamed(root, name)) w->setVisible(visible);
}

const char* const kScreenSelectors[] = {"SourceScreenSelectRadioGroup", "SeamScreenSelectRadioGroup"};

}  // namespace

void ShowEditorsFor(QWidget* root, int n)
{
    if (n < 1) n = 1;
    if (n > 8) n = 8;
    for (int k = 1; k <= 8; ++k) SetVisible(root, QStringLiteral("Screen%1GroupBox").arg(k), k <= n);
    for (int k = 2; k <= 7; ++k)
        for (const QString& name : EdgeControlsOf(k, 1).all()) SetVisible(root, name, k <= n - 1);
    QStringList items;
    for (int k = 1; k <= n; ++k) items << QString::number(k);
    for (const char* name : kScreenSelectors)
        if (auto* group = FindNamed<RadioGroup>(root, QString::fromLatin1(name))) {
            group->setItems(items);
            group->setItemIndex(0);
        }
    if (auto* tabs = FindNamed<QTabWidget>(root, QStringLiteral("ScreenPageControl"))) tabs->setTabVisible(1, n >= 5);
}

void SetFeatheringControlsVisible(QWidget* root, bool visible)
{
    for (const char* name : {"DataDoubleGroupBox", "EdgeFeatherBasicGroupBox", "AdvanceModeCheckBox"})
        SetVisible(root, QString::fromLatin1(name), visible);
}

void ApplyAdvancedModeVisibility(QWidget* root)
{
    auto* advanced = FindNamed<QCheckBox>(root, QStringLiteral("AdvanceModeCheckBox"));
    const bool on = advanced && advanced->isChecked();
    SetVisible(root, QStringLiteral("EdgeFeatherBasicGroupBox"), !on);
    for (int k = 1; k <= 8; ++k) SetVisible(root, QStringLiteral("EdgeFeather%1GroupBox").arg(k), on);
}

void EnableAfterCalculate(QWidget* root)
{
    for (const char* name : {"ScreenPageControl", "BasicEdgeFeatheringCheckBox", "BasicGammaEdit"})
        if (QWidget* w = FindNamed(root, QString::fromLatin1(name))) w->setEnabled(true);
    SetVisible(root, QStringLiteral("ResetButton"), true);
}

}  // namespace kalvora
