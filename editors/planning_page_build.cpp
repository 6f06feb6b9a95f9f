// The planning page's controls: the instructions, the screen and projector entries, the results and
// the two drawings.
#include "editors/planning_page.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

#include "editors/drawing_views.h"
#include "settings/number_format.h"
#include "planning/plan_sync.h"
#include "platform/operator.h"
#include "settings/main_flags.h"
#include "settings/records.h"

namespace kalvora {

namespace {

const char* const kInstructions[] = {
    "- If Tornel(s) are connected to the PC/laptop, click on the \"Serial Port->Search for Tornel(s)->Search\" menu "
    "and establish connection to the Tornel(s).",
    "- If connection with Tornel(s) has been established and changes done to Tornel(s) via front panel, click on the "
    "\"Serial Port->Read from Tornel(s)\" to update the Kalvora.",
    "",
    "1) Enter the Horizontal size and Vertical size of the output screen in the given edit boxes. ",
    "2) Select the Projectors Native Resolution from the drop down box. ",
    "When done, click the \"Calculate\" button. Kalvora will calculate the output aspect ratio, number of projectors, "
    "projector overlap, and input image size requirements.",
    "NOTE: Manually selecting number of projectors required will alter Image Size, Output Aspect Ratio requirements",
    "            If number of projectors exceed 4, a second Tornel unit is required.",
};

template <typename W>
W* Named(QWidget* parent, const char* name)
{
    auto* w = new W(parent);
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QLabel* Caption(QWidget* parent, const QString& text) { return new QLabel(text, parent); }

}  // namespace

void PlanningPage::buildControls()
{
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(2);

    instructions_ = Named<QListWidget>(this, "ListBox1");
    for (const char* line : kInstructions) instructions_->addItem(QString::fromLatin1(line));
    instructions_->setFrameShape(QFrame::NoFrame);
    instructions_->setSelectionMode(QAbstractItemView::NoSelection);
    instructions_->setFocusPolicy(Qt::NoFocus);
    instructions_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    instructions_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    {
        QPalette pal = instructions_->palette();
        pal.setColor(QPalette::Base, pal.color(QPalette::Window));
        instructions_->setPalette(pal);
        instructions_->setFixedHeight(8 * instructions_->sizeHintForRow(0) + 4);
        // Every line whole: the page is at least as wide as the longest.
        instructions_->setMinimumWidth(instructions_->sizeHintForColumn(0) + 2 * instructions_->frameWidth() + 4);
    }
    page->addWidget(instructions_);

    stripView_ = new ProjectorStripView(this);
    page->addWidget(stripView_);

    auto* lower = new QHBoxLayout;
    lower->setSpacing(2);
    page->addLayout(lower, 1);

    // Left column: the calculation and the colour legend.
    auto* left = new QVBoxLayout;
    left->setSpacing(2);
    lower->addLayout(left, 1);

    auto* calc = Named<QGroupBox>(this, "CalcGroupBox");
    calc->setTitle(QStringLiteral("Calculate Aspect Ratio, Number of Screens, Data Overlap, and Input Image Size"));
    left->addWidget(calc);
    auto* calcLayout = new QVBoxLayout(calc);
    calcLayout->setContentsMargins(4, 4, 4, 4);
    auto* calcBody = new QWidget(calc);
    calcLayout->addWidget(calcBody);
    auto* grid = new QGridLayout(calcBody);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(3);

    auto* sizeGroup = Named<QGroupBox>(calcBody, "OutputScreenSizeGroupBox");
    sizeGroup->setTitle(QStringLiteral("Output Screen Size"));
    auto* sizeGrid = new QGridLayout(sizeGroup);
    horizontalEdit_ = Named<QLineEdit>(sizeGroup, "HorizontalOutEdit");
    verticalEdit_ = Named<QLineEdit>(sizeGroup, "VerticalOutEdit");
    horizontalEdit_->setText(QStringLiteral("30"));
    verticalEdit_->setText(QStringLiteral("10"));
    for (QLineEdit* e : {horizontalEdit_, verticalEdit_}) {
        e->setMaxLength(kTypedSizeLength);
        // Wide enough for a value the program writes with five significant digits ("-0.0012346").
        e->setFixedWidth(e->fontMetrics().horizontalAdvance(QStringLiteral("-0.0012346")) + 12);
        // Once the operator's own text is short enough, the typing limit holds again.
        connect(e, &QLineEdit::textEdited, e, [e](const QString& text) {
            if (text.size() <= kTypedSizeLength) e->setMaxLength(kTypedSizeLength);
        });
        e->installEventFilter(this);
    }
    sizeGrid->addWidget(Caption(sizeGroup, QStringLiteral("Horizontal")), 0, 0);
    sizeGrid->addWidget(horizontalEdit_, 0, 1);
    sizeGrid->addWidget(Caption(sizeGroup, QStringLiteral("Vertical")), 1, 0);
    sizeGrid->addWidget(verticalEdit_, 1, 1);
    grid->addWidget(sizeGroup, 0, 0, 3, 2);

    resolutionCombo_ = Named<QComboBox>(calcBody, "ProjectorResComboBox");
    for (const auto& r : kProjectorResolutions) resolutionCombo_->addItem(QString::fromLatin1(r.caption));
    resolutionCombo_->setCurrentIndex(-1);
    grid->addWidget(Caption(calcBody, QStringLiteral("Projector Native Resolution")), 0, 2, 1, 2);
    grid->addWidget(resolutionCombo_, 1, 2, 1, 2);

    calcButton_ = Named<QPushButton>(calcBody, "CalcOutButton");
    calcButton_->setText(QStringLiteral("Calculate"));
    grid->addWidget(calcButton_, 2, 2, 1, 2);

    countCombo_ = Named<QComboBox>(calcBody, "NumOfScreenComboBox");
    countCombo_->addItem(QStringLiteral("1 Projector"));
    for (int k = 2; k <= kMaxProjectors; ++k) countCombo_->addItem(QStringLiteral("%1 Projectors").arg(k));
    countCombo_->setCurrentIndex(0);
    countCombo_->setEnabled(false);
    grid->addWidget(Caption(calcBody, QStringLiteral("Number of Projectors")), 3, 0, 1, 2);
    grid->addWidget(countCombo_, 4, 0, 1, 2);

    alignCombo_ = Named<QComboBox>(calcBody, "ImageAlignComboBox");
    alignCombo_->addItems({QStringLiteral("Left Justified"), QStringLiteral("Centered")});
    alignCombo_->setCurrentIndex(-1);
    alignCombo_->setEnabled(false);
    grid->addWidget(Caption(calcBody, QStringLiteral("Input Material Alignment")), 3, 2, 1, 2);
    grid->addWidget(alignCombo_, 4, 2, 1, 2);

    aspectLabel_ = Named<QLabel>(calcBody, "OutAspectRatioLabel");
    aspectLabel_->setText(QStringLiteral("?"));
    imageHLabel_ = Named<QLabel>(calcBody, "ImageSizeHLabel");
    imageVLabel_ = Named<QLabel>(calcBody, "ImageSizeVLabel");
    overlapLabel_ = Named<QLabel>(calcBody, "MinNumOfOverlapLabel");
    tornelLabel_ = Named<QLabel>(calcBody, "NumOfTornelLabel");
    for (QLabel* l : {imageHLabel_, imageVLabel_, overlapLabel_, tornelLabel_}) l->setText(QStringLiteral("N/A"));

    const auto resultRow = [&](int row, const QString& caption, std::initializer_list<QWidget*> values) {
        auto* line = new QHBoxLayout;
        line->setSpacing(4);
        for (QWidget* v : values) line->addWidget(v);
        line->addStretch(1);
        grid->addWidget(Caption(calcBody, caption), row, 0, 1, 2, Qt::AlignRight);
        grid->addLayout(line, row, 2, 1, 2);
    };
    resultRow(5, QStringLiteral("Output Aspect Ratio:"), {aspectLabel_, Caption(calcBody, QStringLiteral(":1"))});
    resultRow(6, QStringLiteral("Input Image Size Required:"),
              {imageHLabel_, Caption(calcBody, QStringLiteral("x")), imageVLabel_});
    resultRow(7, QStringLiteral("Projector Overlap:"), {overlapLabel_});
    resultRow(8, QStringLiteral("Number of Tornel(s) required:"), {tornelLabel_});
    for (QLabel* l : {aspectLabel_, imageHLabel_, imageVLabel_, overlapLabel_, tornelLabel_}) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }

    auto* legend = Named<QGroupBox>(this, "ScreenLegendGroupBox");
    legend->setTitle(QStringLiteral("Projector Color Legend"));
    auto* legendGrid = new QGridLayout(legend);
    legendGrid->setSpacing(3);
    for (int k = 0; k < kMaxProjectors; ++k) {
        auto* label = new QLabel(QStringLiteral("Projector %1").arg(k + 1), legend);
        label->setObjectName(QStringLiteral("Screen%1Label").arg(k + 1));
        label->setAutoFillBackground(true);
        label->setAlignment(Qt::AlignCenter);
        QPalette pal = label->palette();
        const QColor background = QColor::fromRgb(static_cast<QRgb>(0xFF000000u | kProjectorColours[k]));
        pal.setColor(QPalette::Window, background);
        pal.setColor(QPalette::WindowText, qGray(background.rgb()) < 90 ? Qt::white : Qt::black);
        label->setPalette(pal);
        legend_[k] = label;
        legendGrid->addWidget(label, k / 4, k % 4);
    }
    left->addWidget(legend);
    left->addStretch(1);
    // The ruler column keeps its drawing's size; this column takes what is left of the page.
    for (QWidget* w : {static_cast<QWidget*>(calc), static_cast<QWidget*>(legend)})
        w->setSizePolicy(QSizePolicy::Ignored, w->sizePolicy().verticalPolicy());
    // The long caption whole, in the page's font: the column is at least as wide as the title
    // (with the frame's indents) and the body.
    calc->setMinimumWidth(std::max(calc->minimumSizeHint().width(),
                                   calc->fontMetrics().horizontalAdvance(calc->title()) + 4 * calc->fontMetrics().averageCharWidth()));

    // Right column: placement ruler and content requirement.
    auto* right = new QVBoxLayout;
    right->setSpacing(2);
    lower->addLayout(right);

    auto* placement = Named<QGroupBox>(this, "ProjectorPlacementGroupBox");
    placement->setTitle(QStringLiteral("Projector Placement"));
    auto* placementLayout = new QVBoxLayout(placement);
    placementLayout->setContentsMargins(1, 1, 1, 1);
    rulerView_ = new PlacementRulerView(placement);
    placementLayout->addWidget(rulerView_);
    right->addWidget(placement);

    auto* content = Named<QGroupBox>(this, "ImageContentReqGroupBox");
    content->setTitle(QStringLiteral("Image Content Creation Requirement"));
    auto* contentLayout = new QVBoxLayout(content);
    contentLayout->setContentsMargins(2, 2, 2, 2);
    contentMemo_ = Named<QPlainTextEdit>(content, "ImageContentInfoMemo");
    contentMemo_->setReadOnly(true);
    contentMemo_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    {
        QPalette pal = contentMemo_->palette();
        pal.setColor(QPalette::Base, pal.color(QPalette::Window));
        contentMemo_->setPalette(pal);
    }
    contentLayout->addWidget(contentMemo_);
    right->addWidget(content, 1);

    // Operator actions only: selections made by the program never run the handlers by themselves.
    connect(calcButton_, &QPushButton::clicked, this, [this] { CalcOutButtonClick(); });
    connect(resolutionCombo_, &QComboBox::activated, this, [this] { ProjectorResComboBoxChange(); });
    connect(countCombo_, &QComboBox::activated, this, [this] { NumOfScreenComboBoxChange(); });
    connect(alignCombo_, &QComboBox::activated, this, [this] { ImageAlignComboBoxChange(); });
}

}  // namespace kalvora
