#include "app/info_page.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>
#include <optional>

#include "app/secondary_windows.h"
#include "app/terminal_view.h"
#include "app/wall_overview_view.h"
#include "platform/gui/font_fit.h"
#include "platform/gui/named_widget.h"
#include "settings/number_format.h"

namespace kalvora {
namespace {

const QString kNotAvailable = QStringLiteral("N/A");

// Texts from a code table; a code outside the table leaves the label as it was.
std::optional<QString> Pick(int code, std::initializer_list<const char*> texts)
{
    if (code < 0 || code >= static_cast<int>(texts.size())) return std::nullopt;
    return QString::fromLatin1(texts.begin()[code]);
}

QString Int(long long v) { return QString::number(v); }
QString TrueFalse(int v) { return v == 1 ? QStringLiteral("True") : QStringLiteral("False"); }

using InputFill = std::optional<QString> (*)(const InputChannelRecord&);
using OutputFill = std::optional<QString> (*)(const OutputScreenRecord&);

// Each value label with the longest text its fill can give, so the page is laid out for it.
struct InputRow {
    const char* name;
    const char* longest;
    InputFill fill;
};
struct OutputRow {
    const char* name;
    const char* longest;
    OutputFill fill;
};

constexpr const char* kLongestInt32 = "-2147483648";
constexpr const char* kLongestInt16 = "-32768";
constexpr const char* kLongestByte = "255";
// A tenths value as a float with 15 significant digits: -0.1 is stored as -0.100000001490116.
constexpr const char* kLongestTenths = "-0.100000001490116";
constexpr const char* kLongestG3 = "-1.23E-45";

const InputRow kInputRows[] = {
    {"HActiveLabel", kLongestInt32, [](const InputChannelRecord& r) -> std::optional<QString> { return Int(r.HActive); }},
    {"VActiveLabel", kLongestInt32, [](const InputChannelRecord& r) -> std::optional<QString> { return Int(r.VActive); }},
    {"VideoLoadedLabel", "False", [](const InputChannelRecord& r) -> std::optional<QString> { return TrueFalse(r.VideoLoaded); }},
    {"VideoLockedLabel", "False", [](const InputChannelRecord& r) -> std::optional<QString> { return TrueFalse(r.VideoLocked); }},
    {"PhaseOffsetLabel", kLongestInt32, [](const InputChannelRecord& r) -> std::optional<QString> { return Int(r.Phase); }},
    {"SyncSelLabel", "COMP", [](const InputChannelRecord& r) { return Pick(r.SyncSelect, {"SOG", "COMP", "H/V", "AUTO"}); }},
    {"HTotalLabel", kLongestInt32, [](const InputChannelRecord& r) -> std::optional<QString> { return Int(r.HTotal); }},
    {"HPosLabel", kLongestInt32, [](const InputChannelRecord& r) -> std::optional<QString> { return Int(r.HPosition); }},
    {"VPosLabel", kLongestInt32, [](const InputChannelRecord& r) -> std::optional<QString> { return Int(r.VPosition); }},
    {"InTerminationLabel", "75 Ohm",
     [](const InputChannelRecord& r) -> std::optional<QString> {
         return r.Termination != 0 ? QStringLiteral("75 Ohm") : QStringLiteral("HI-Z");
     }},
    {"CContrastLabel", kLongestTenths, [](const InputChannelRecord& r) -> std::optional<QString> { return FormatG15(r.ContrastC); }},
    {"CBrightnessLabel", kLongestTenths, [](const InputChannelRecord& r) -> std::optional<QString> { return FormatG15(r.BrightnessC); }},
    {"RContrastLabel", kLongestTenths, [](const InputChannelRecord& r) -> std::optional<QString> { return FormatG15(r.ContrastR); }},
    {"RBrightnessLabel", kLongestTenths, [](const InputChannelRecord& r) -> std::optional<QString> { return FormatG15(r.BrightnessR); }},
    {"GContrastLabel", kLongestTenths, [](const InputChannelRecord& r) -> std::optional<QString> { return FormatG15(r.ContrastG); }},
    {"GBrightnessLabel", kLongestTenths, [](const InputChannelRecord& r) -> std::optional<QString> { return FormatG15(r.BrightnessG); }},
    {"BContrastLabel", kLongestTenths, [](const InputChannelRecord& r) -> std::optional<QString> { return FormatG15(r.ContrastB); }},
    {"BBrightnessLabel", kLongestTenths, [](const InputChannelRecord& r) -> std::optional<QString> { return FormatG15(r.BrightnessB); }},
};

const OutputRow kOutputRows[] = {
    {"HVOutLabel", "1280x1024",
     [](const OutputScreenRecord& p) { return Pick(p.OutputFormat, {"640x480", "800x600", "1024x768", "1280x1024"}); }},
    {"OutFRateLabel", "@ 59.94Hz", [](const OutputScreenRecord& p) { return Pick(p.FrameRate, {"@ 50Hz", "@ 59.94Hz", "@ 75Hz"}); }},
    {"OutSyncLabel", kLongestByte, [](const OutputScreenRecord& p) -> std::optional<QString> { return Int(p.OutputSync); }},
    {"BlendLevelLabel", "Basic", [](const OutputScreenRecord& p) { return Pick(p.ControlMode, {"Basic", "Adv"}); }},
    {"ProjectorsLabel", "1-4", [](const OutputScreenRecord& p) { return Pick(p.ScreenGroup, {"1-4", "5-8"}); }},
    {"TotalProjectorsLabel", kLongestByte, [](const OutputScreenRecord& p) -> std::optional<QString> { return Int(p.TotalProjectors); }},
    {"DataDoublingLabel", kLongestByte, [](const OutputScreenRecord& p) -> std::optional<QString> { return Int(p.DataDoubling); }},
    {"JustificationLabel", "Center", [](const OutputScreenRecord& p) { return Pick(p.Alignment, {"Left", "Center"}); }},
    {"OverlapWidthLabel", kLongestInt32, [](const OutputScreenRecord& p) -> std::optional<QString> { return Int(p.OverlapWidth); }},
    {"BasicEFTGammaLabel", kLongestG3, [](const OutputScreenRecord& p) -> std::optional<QString> { return FormatG3(p.BasicGamma); }},
    {"LeftEFTGammaLabel", kLongestG3, [](const OutputScreenRecord& p) -> std::optional<QString> { return FormatG3(p.LeftGamma); }},
    {"RightEFTGammaLabel", kLongestG3, [](const OutputScreenRecord& p) -> std::optional<QString> { return FormatG3(p.RightGamma); }},
    {"BasicEFTModeLabel", kLongestInt16, [](const OutputScreenRecord& p) -> std::optional<QString> { return Int(p.BasicFeather); }},
    {"LeftEFTModeLabel", kLongestInt16, [](const OutputScreenRecord& p) -> std::optional<QString> { return Int(p.LeftFeather); }},
    {"RightEFTModeLabel", kLongestInt16, [](const OutputScreenRecord& p) -> std::optional<QString> { return Int(p.RightFeather); }},
    {"HaloLeftWidthLabel", kLongestInt32, [](const OutputScreenRecord& p) -> std::optional<QString> { return Int(p.LeftHaloWidth); }},
    {"HaloLeftOffsetLabel", kLongestInt32, [](const OutputScreenRecord& p) -> std::optional<QString> { return Int(p.LeftHaloOffset); }},
    {"HaloRightWidthLabel", kLongestInt32, [](const OutputScreenRecord& p) -> std::optional<QString> { return Int(p.RightHaloWidth); }},
    {"HaloRightOffsetLabel", kLongestInt32, [](const OutputScreenRecord& p) -> std::optional<QString> { return Int(p.RightHaloOffset); }},
    {"BlackLvlAdjCompLabel", kLongestByte, [](const OutputScreenRecord& p) -> std::optional<QString> { return Int(p.BlackLevel); }},
};

// Caption, value label(s) and an optional unit suffix for one row of an information group.
struct LayoutRow {
    const char* caption;
    const char* value;
    const char* second = nullptr;  // a second value after an "x" (width x height)
    const char* suffix = nullptr;
};

const LayoutRow kInputLayout[] = {
    {"Active Size", "HActiveLabel", "VActiveLabel"},
    {"Video Loaded", "VideoLoadedLabel"},
    {"Video Locked", "VideoLockedLabel"},
    {"Phase Offset", "PhaseOffsetLabel"},
    {"Input Sync", "SyncSelLabel"},
    {"H Total", "HTotalLabel"},
    {"H Position", "HPosLabel"},
    {"V Position", "VPosLabel"},
    {"Input Termination", "InTerminationLabel"},
    {"Contrast", "CContrastLabel", nullptr, "%"},
    {"Brightness", "CBrightnessLabel", nullptr, "%"},
    {"Red Contrast", "RContrastLabel", nullptr, "%"},
    {"Red Brightness", "RBrightnessLabel", nullptr, "%"},
    {"Green Contrast", "GContrastLabel", nullptr, "%"},
    {"Green Brightness", "GBrightnessLabel", nullptr, "%"},
    {"Blue Contrast", "BContrastLabel", nullptr, "%"},
    {"Blue Brightness", "BBrightnessLabel", nullptr, "%"},
};

const LayoutRow kOutputLayout[] = {
    {"Output", "HVOutLabel", nullptr, nullptr},
    {"Frame Rate", "OutFRateLabel"},
    {"Output Sync", "OutSyncLabel"},
    {"Blend Level", "BlendLevelLabel"},
    {"Projectors", "ProjectorsLabel"},
    {"Total Projectors", "TotalProjectorsLabel"},
    {"Data Doubling", "DataDoublingLabel"},
    {"Justification", "JustificationLabel"},
    {"Overlap Width", "OverlapWidthLabel"},
    {"Edge Basic Gamma", "BasicEFTGammaLabel"},
    {"Edge Adv L Gam", "LeftEFTGammaLabel"},
    {"Edge Adv R Gam", "RightEFTGammaLabel"},
    {"Edge Basic Mode", "BasicEFTModeLabel"},
    {"Edge Adv L Mode", "LeftEFTModeLabel"},
    {"Edge Adv R Mode", "RightEFTModeLabel"},
    {"Halo L Width", "HaloLeftWidthLabel"},
    {"Halo L Offset", "HaloLeftOffsetLabel"},
    {"Halo R Width", "HaloRightWidthLabel"},
    {"Halo R Offset", "HaloRightOffsetLabel"},
    {"Black Level", "BlackLvlAdjCompLabel"},
};

// A value label keeps room for the longest text its fill can give.
QLabel* MakeValueLabel(QWidget* parent, const char* name)
{
    auto* label = MakeNamed<QLabel>(parent, QString::fromLatin1(name), kNotAvailable);
    const char* longest = nullptr;
    for (const InputRow& r : kInputRows)
        if (std::strcmp(r.name, name) == 0) longest = r.longest;
    for (const OutputRow& r : kOutputRows)
        if (std::strcmp(r.name, name) == 0) longest = r.longest;
    if (longest) label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QString::fromLatin1(longest)));
    return label;
}

template <size_t N>
QGroupBox* MakeInfoGroup(QWidget* parent, const char* name, const QString& caption, const LayoutRow (&rows)[N])
{
    auto* box = MakeNamed<QGroupBox>(parent, QString::fromLatin1(name), caption);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(6, 2, 6, 2);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(0);
    int row = 0;
    for (const LayoutRow& r : rows) {
        grid->addWidget(new QLabel(QString::fromLatin1(r.caption), box), row, 0);
        auto* v = MakeValueLabel(box, r.value);
        auto* line = new QHBoxLayout;
        line->setSpacing(2);
        line->addWidget(v);
        if (r.second) {
            line->addWidget(new QLabel(QStringLiteral("x"), box));
            line->addWidget(MakeValueLabel(box, r.second));
        }
        if (r.suffix) line->addWidget(new QLabel(QString::fromLatin1(r.suffix), box));
        line->addStretch();
        grid->addLayout(line, row, 1);
        ++row;
    }
    grid->setRowStretch(row, 1);
    return box;
}

}  // namespace

InfoPage::InfoPage(const Settings& settings, std::function<int()> plannedProjectors, QWidget* parent)
    : QWidget(parent), settings_(settings), plannedProjectors_(std::move(plannedProjectors))
{
    setObjectName(QStringLiteral("InfoTabSheet"));
    auto* top = new QHBoxLayout(this);
    top->setContentsMargins(4, 4, 4, 4);
    top->setSpacing(4);

    // Left column: terminal, unit information, serial line, buttons.
    auto* left = new QVBoxLayout;
    terminal_ = new TerminalView(this);
    // The terminal's rows in its own face; the width follows the column.
    terminal_->setFixedHeight(TerminalView::kRows * terminal_->fontMetrics().lineSpacing() + 2 * terminal_->frameWidth() + 4);
    left->addWidget(terminal_);

    auto* info = MakeNamed<QGroupBox>(this, QStringLiteral("InfoGroupBox"), QStringLiteral("Tornel Information"));
    auto* ig = new QGridLayout(info);
    ig->setContentsMargins(6, 2, 6, 2);
    ig->addWidget(MakeNamed<QLabel>(info, QStringLiteral("Version1TextLabel"), QStringLiteral("Version :")), 0, 0);
    ig->addWidget(MakeNamed<QLabel>(info, QStringLiteral("Version1Label"), kNotAvailable), 0, 1);
    ig->addWidget(MakeNamed<QLabel>(info, QStringLiteral("Label62"), QStringLiteral("TN:")), 0, 2);
    ig->addWidget(MakeNamed<QLabel>(info, QStringLiteral("NumOfTornelDetectedLabel"), QStringLiteral("0")), 0, 3);
    screenInfo_ = MakeNamed<QComboBox>(info, QStringLiteral("ScreenInfoComboBox"));
    for (int n = 1; n <= 4; ++n) screenInfo_->addItem(QStringLiteral("Screen %1").arg(n));
    ig->addWidget(screenInfo_, 0, 4);
    connect(screenInfo_, &QComboBox::activated, this, [this] { ScreenInfoComboBoxChange(); });
    left->addWidget(info);

    auto* rs232 = MakeNamed<QGroupBox>(this, QStringLiteral("RS232GroupBox"), QStringLiteral("RS-232"));
    auto* rg = new QGridLayout(rs232);
    rg->setContentsMargins(6, 2, 6, 2);
    auto* lights = new QHBoxLayout;
    static const char* kLightNames[] = {"TxdLight", "RxdLight", "DcdLight", "CtsLight"};
    static const char* kLightCaptions[] = {"TXD", "RXD", "DCD", "CTS"};
    for (int i = 0; i < 4; ++i) {
        lights_[i] = MakeNamed<QLabel>(rs232, QString::fromLatin1(kLightNames[i]));
        const int light = std::max(8, rs232->fontMetrics().height() * 2 / 3);
        lights_[i]->setFixedSize(light, light);
        lights->addWidget(lights_[i]);
        lights->addWidget(new QLabel(QString::fromLatin1(kLightCaptions[i]), rs232));
        setLight(static_cast<Light>(i), false);
    }
    lights->addStretch();
    rg->addLayout(lights, 0, 0, 1, 4);
    rg->addWidget(new QLabel(QStringLiteral("COM:"), rs232), 1, 0);
    rg->addWidget(MakeNamed<QLabel>(rs232, QStringLiteral("ComNumberLabel"), QStringLiteral("None")), 1, 1);
    rg->addWidget(new QLabel(QStringLiteral("Baud:"), rs232), 1, 2);
    auto* baud = MakeNamed<QComboBox>(rs232, QStringLiteral("BaudComboBox"));
    baud->addItems({QStringLiteral("38400"), QStringLiteral("57600")});
    baud->setEnabled(false);  // only the program changes it
    rg->addWidget(baud, 1, 3);
    const char* idCaptions[] = {"Tornel 1 RS-485 ID:", "Tornel 2 RS-485 ID:"};
    for (int u = 0; u < 2; ++u) {
        auto* caption = MakeNamed<QLabel>(rs232, QStringLiteral("TornelID%1Caption").arg(u + 1),
                                          QString::fromLatin1(idCaptions[u]));
        auto* edit = MakeNamed<QLineEdit>(rs232, QStringLiteral("TornelID%1Edit").arg(u + 1), QString::number(u + 1));
        FitEditTo(edit, {QStringLiteral("888")});
        edit->setEnabled(false);
        caption->setVisible(false);
        edit->setVisible(false);
        rg->addWidget(caption, 2 + u, 0, 1, 2);
        rg->addWidget(edit, 2 + u, 2);
    }
    // Which serial device each COM port stands for (chosen in the "COM Port" menu).
    for (int n = 1; n <= 2; ++n) {
        rg->addWidget(new QLabel(QStringLiteral("COM%1:").arg(n), rs232), 3 + n, 0);
        comDevices_[n - 1] = MakeNamed<QLabel>(rs232, QStringLiteral("Com%1DeviceLabel").arg(n), QStringLiteral("(no device)"));
        // The text is elided to the room the column leaves, never the other way round.
        comDevices_[n - 1]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        comDevices_[n - 1]->installEventFilter(this);
        rg->addWidget(comDevices_[n - 1], 3 + n, 1, 1, 3);
    }
    left->addWidget(rs232);

    auto* buttons = new QHBoxLayout;
    resetButton_ = MakeNamed<QPushButton>(this, QStringLiteral("ResetButton"), QStringLiteral("Reset Tornel(s)"));
    resetButton_->setVisible(false);  // shown by the first calculation of the plan
    systemSaveButton_ =
        MakeNamed<QPushButton>(this, QStringLiteral("SystemSaveButton"), QStringLiteral("System Save Tornel(s)"));
    buttons->addWidget(resetButton_);
    buttons->addWidget(systemSaveButton_);
    left->addLayout(buttons);

    auto* hardware = MakeNamed<QGroupBox>(this, QStringLiteral("HardwareSetupGroupBox"), QStringLiteral("Hardware Setup"));
    auto* hl = new QVBoxLayout(hardware);
    hl->addWidget(MakeNamed<QCheckBox>(hardware, QStringLiteral("RS485CheckBox"),
                                       QStringLiteral("Using Vorn Controllers to communicate with Tornel")));
    hardware->setVisible(false);  // the mode is set only by the connection commands
    left->addWidget(hardware);
    left->addStretch();
    auto* leftColumn = new QWidget(this);
    leftColumn->setLayout(left);
    left->setContentsMargins(0, 0, 0, 0);
    // About 45 characters of the desktop's font, more where a row of the column asks it.
    leftColumn->setFixedWidth(std::max(TextColumnWidth(leftColumn, 45), left->sizeHint().width()));
    top->addWidget(leftColumn);

    top->addWidget(MakeInfoGroup(this, "InputInfoGroupBox", QStringLiteral("Input Information"), kInputLayout), 1);

    // The output values and the image positions share the right-hand column, so that the input
    // values have room for their longest texts.
    auto* rightColumn = new QWidget(this);
    auto* right = new QVBoxLayout(rightColumn);
    right->setContentsMargins(0, 0, 0, 0);
    right->setSpacing(4);
    right->addWidget(MakeInfoGroup(rightColumn, "OutputInfoGroupBoxGroupBox", QStringLiteral("Output Information"),
                                   kOutputLayout));
    top->addWidget(rightColumn, 1);

    auto* positions =
        MakeNamed<QGroupBox>(rightColumn, QStringLiteral("ScreenInfoGroupBox"), QStringLiteral("Image Position Offset"));
    auto* pg = new QGridLayout(positions);
    pg->setContentsMargins(6, 2, 6, 2);
    pg->setVerticalSpacing(2);
    pg->setHorizontalSpacing(3);
    for (int k = 1; k <= 8; ++k) {
        const int row = k - 1;
        pg->addWidget(MakeNamed<QLabel>(positions, QStringLiteral("SInfo%1Label").arg(k), QStringLiteral("Projector %1:").arg(k)),
                      row, 0);
        pg->addWidget(MakeNamed<QLabel>(positions, QStringLiteral("Screen%1HLabel").arg(k), kNotAvailable), row, 1,
                      Qt::AlignRight);
        pg->addWidget(new QLabel(QStringLiteral("-"), positions), row, 2);
        pg->addWidget(MakeNamed<QLabel>(positions, QStringLiteral("Screen%1VLabel").arg(k), kNotAvailable), row, 3);
    }
    pg->setRowStretch(8, 1);
    pg->setColumnStretch(4, 1);
    right->addWidget(positions, 1);

    // The wall overview: a window of its own beside this page (the page has no room for eight
    // screens), opened by a button in the left column and redrawn with every fill of the page.
    overviewWindow_ = new QWidget(this, Qt::Window);
    overviewWindow_->setObjectName(QStringLiteral("WallOverviewWindow"));
    overviewWindow_->setWindowTitle(QStringLiteral("Kalvora - Wall Overview"));
    auto* overviewLayout = new QVBoxLayout(overviewWindow_);
    overviewLayout->setContentsMargins(0, 0, 0, 0);
    overview_ = new WallOverviewView(overviewWindow_);
    overview_->setOverview(LayoutWallOverview(settings_, 1, kOverviewWindowWidth, kOverviewHeight, overview_->lineHeight()));
    overviewLayout->addWidget(overview_);
    auto* overviewButton =
        MakeNamed<QPushButton>(this, QStringLiteral("WallOverviewButton"), QStringLiteral("Wall Overview..."));
    left->insertWidget(left->count() - 1, overviewButton);  // above the stretch
    connect(overviewButton, &QPushButton::clicked, this, [this] { showWallOverview(); });
}

void InfoPage::setComDevice(int n, const QString& text, const QString& details, int keepTail)
{
    if (n != 1 && n != 2) return;
    QLabel* label = comDevices_[n - 1];
    comDeviceTexts_[n - 1] = text;
    comDeviceTails_[n - 1] = std::clamp(keepTail, 0, int(text.size()));
    elideComDevice(n);
    label->setToolTip(details.isEmpty() || details == text ? text : text + QLatin1Char('\n') + details);
}

void InfoPage::elideComDevice(int n)
{
    // The group is narrow; a long stable name or server name keeps its start and its end, to
    // the width the label has (before the first layout, the width it is meant to have).
    QLabel* label = comDevices_[n - 1];
    const int width = label->width() > 20 && label->testAttribute(Qt::WA_Resized) ? label->contentsRect().width() : 185;
    const QString& text = comDeviceTexts_[n - 1];
    const QFontMetrics metrics = label->fontMetrics();
    const int tail = comDeviceTails_[n - 1];
    if (tail == 0 || metrics.horizontalAdvance(text) <= width) {
        label->setText(metrics.elidedText(text, Qt::ElideMiddle, width));
        return;
    }
    const QString end = text.right(tail);
    label->setText(metrics.elidedText(text.left(text.size() - tail), Qt::ElideRight,
                                      std::max(0, width - metrics.horizontalAdvance(end))) +
                   end);
}

bool InfoPage::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize)
        for (int n = 1; n <= 2; ++n)
            if (watched == comDevices_[n - 1]) elideComDevice(n);
    return QWidget::eventFilter(watched, event);
}

QString InfoPage::comDeviceText(int n) const { return n == 1 || n == 2 ? comDeviceTexts_[n - 1] : QString(); }

QLabel* InfoPage::value(const char* name) const { return findChild<QLabel*>(QString::fromLatin1(name)); }

void InfoPage::setValue(const char* name, const QString& text)
{
    if (QLabel* l = value(name)) l->setText(text);
}

void InfoPage::FillInputInfo(int n)
{
    if (n < 1 || n > 4) return;  // the page shows unit 1 only
    const InputChannelRecord& r = settings_.input(1, n);
    for (const InputRow& row : kInputRows)
        if (auto text = row.fill(r)) setValue(row.name, *text);
}

void InfoPage::FillOutputInfo(int n)
{
    if (n < 1 || n > 4) return;
    const OutputScreenRecord& p = settings_.output(1, n);
    for (const OutputRow& row : kOutputRows)
        if (auto text = row.fill(p)) setValue(row.name, *text);
}

void InfoPage::ScreenInfoComboBoxChange()
{
    refreshWallOverview();
    if (!settings_.SettingsAvailable()) return;
    const int n = screenInfo_->currentIndex() + 1;
    FillInputInfo(n);
    FillOutputInfo(n);
}

void InfoPage::refreshWallOverview()
{
    if (!overview_) return;
    overview_->setOverview(LayoutWallOverview(settings_, plannedProjectors_(),
                                              overview_->overview().width, kOverviewHeight, overview_->lineHeight()));
}

void InfoPage::showWallOverview()
{
    refreshWallOverview();
    if (!overviewWindow_->isVisible() && overviewWindow_->parentWidget() != this)
        PlaceBeside(overviewWindow_, overviewWindow_->parentWidget());
    overviewWindow_->show();
    overviewWindow_->raise();
    overviewWindow_->activateWindow();
}

void InfoPage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    refreshWallOverview();  // edits since the last fill changed the records
}

void InfoPage::setImagePosition(int projector, const QString& start, const QString& end)
{
    if (projector < 1 || projector > 8) return;
    if (auto* h = findChild<QLabel*>(QStringLiteral("Screen%1HLabel").arg(projector))) h->setText(start);
    if (auto* v = findChild<QLabel*>(QStringLiteral("Screen%1VLabel").arg(projector))) v->setText(end);
}

void InfoPage::setLight(Light light, bool on)
{
    QLabel* l = lights_[static_cast<int>(light)];
    l->setProperty("lit", on);
    // Round lights whatever size the font gave them.
    l->setStyleSheet(QStringLiteral("background: %1; border: 1px solid #404040; border-radius: %2px;")
                         .arg(on ? QStringLiteral("#00e000") : QStringLiteral("#305030"))
                         .arg(l->width() / 2));
}

}  // namespace kalvora
