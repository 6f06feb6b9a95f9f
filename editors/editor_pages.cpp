#include "editors/editor_pages.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>

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

}  // namespace

QWidget* CreateSourceSetupPage(QWidget* parent)
{
    auto* page = MakePage(parent, "SourceSetupTabSheet");
    auto* h = new QHBoxLayout(page);
    auto* selector = MakeNamed<RadioGroup>(page, QStringLiteral("SourceScreenSelectRadioGroup"), QStringLiteral("Input"));
    selector->setItems({QStringLiteral("1")});
    selector->setItemIndex(0);
    h->addWidget(selector, 0, Qt::AlignTop);
    h->addWidget(MakeNamed<QGroupBox>(page, QStringLiteral("InputAlignmentGroupBox"), QStringLiteral("Input Alignment")), 1);
    h->addWidget(MakeNamed<QGroupBox>(page, QStringLiteral("OverallColorGroupBox"), QStringLiteral("Overall Color")), 1);
    return page;
}

QWidget* CreateSeamRemovalPage(QWidget* parent)
{
    auto* page = MakePage(parent, "SeamRemovalTabSheet");
    auto* h = new QHBoxLayout(page);
    auto* selector = MakeNamed<RadioGroup>(page, QStringLiteral("SeamScreenSelectRadioGroup"), QStringLiteral("Screen"));
    selector->setItems({QStringLiteral("1")});
    selector->setItemIndex(0);
    h->addWidget(selector, 0, Qt::AlignTop);
    auto* seam = MakeNamed<QGroupBox>(page, QStringLiteral("SeamGroupBox"), QStringLiteral("Seam Removal"));
    h->addWidget(seam, 1);
    auto* side = new QVBoxLayout;
    side->addWidget(MakeNamed<QCheckBox>(page, QStringLiteral("SeamBridgeAllConfigCheckBox"), QStringLiteral("Bridge All")));
    side->addWidget(MakeNamed<QPushButton>(page, QStringLiteral("SeamAutoAllConfigButton"), QStringLiteral("Auto All")));
    side->addStretch();
    h->addLayout(side);
    return page;
}

}  // namespace kalvora
