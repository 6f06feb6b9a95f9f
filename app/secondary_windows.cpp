#include "app/secondary_windows.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QRegularExpression>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace kalvora {

void CentreOnScreen(QWidget* window)
{
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const QSize size = window->frameGeometry().size();
    // A window larger than the screen keeps its title bar on it.
    const QPoint at = area.center() - QPoint(size.width() / 2, size.height() / 2);
    window->move(std::max(area.left(), at.x()), std::max(area.top(), at.y()));
}

void PlaceBeside(QWidget* tool, QWidget* main)
{
    // Only before its first show: afterwards it stays where the operator put it.
    if (tool->property("kalvoraPlaced").toBool()) return;
    tool->setProperty("kalvoraPlaced", true);
    QScreen* screen = main->screen() ? main->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const QRect m = main->frameGeometry();
    const QSize size = tool->frameGeometry().size();
    constexpr int kGap = 8;
    int x = m.right() + 1 + kGap;
    if (x + size.width() > area.right() + 1) x = m.left() - kGap - size.width();
    if (x < area.left()) x = area.right() + 1 - size.width();
    x = std::max(area.left(), x);
    const int y = std::clamp(m.top(), area.top(), std::max(area.top(), area.bottom() + 1 - size.height()));
    tool->move(x, y);
}

// ---- information window ----------------------------------------------------------------------

TInfoForm::TInfoForm(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("TInfoForm"));
    setWindowTitle(QStringLiteral("Quennel - Kalvora Info"));
    label_ = new QLabel(QStringLiteral("Auto Color Balance in progress. Please wait...."), this);
    label_->setObjectName(QStringLiteral("InfoLabel"));
    label_->setAlignment(Qt::AlignCenter);
    detail_ = new QLabel(this);
    detail_->setObjectName(QStringLiteral("InfoDetailLabel"));
    detail_->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 0, 1, 0);
    layout->setSpacing(0);
    layout->addWidget(label_);
    layout->addWidget(detail_);
    // Two lines of the desktop's font, as wide as the longest note (the classic size at least).
    const QFontMetrics fm = label_->fontMetrics();
    setFixedSize(std::max(358, fm.horizontalAdvance(QStringLiteral("Auto Color Balance in progress. Please wait....")) + 24),
                 std::max(35, 2 * fm.lineSpacing() + 3));
    // Once a second is all the elapsed time needs: the window stays idle in between.
    tick_ = new QTimer(this);
    tick_->setInterval(1000);
    connect(tick_, &QTimer::timeout, this, &TInfoForm::updateDetail);
}

QString TInfoForm::text() const { return label_->text(); }
QString TInfoForm::detailText() const { return detail_->text(); }

void TInfoForm::setUnit(int unit, int units)
{
    unit_ = unit;
    units_ = units;
    updateDetail();
}

void TInfoForm::updateDetail()
{
    const qint64 s = elapsed_.isValid() ? elapsed_.elapsed() / 1000 : 0;
    const QString time = QStringLiteral("%1:%2 elapsed").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
    detail_->setText(unit_ > 0 ? QStringLiteral("Tornel %1 of %2  -  %3").arg(unit_).arg(units_).arg(time) : time);
}

void TInfoForm::hideInfo()
{
    tick_->stop();
    hide();
}

void TInfoForm::showInfo(const QString& text)
{
    label_->setText(text);
    unit_ = units_ = 0;
    elapsed_.start();
    updateDetail();
    tick_->start();
    show();
    CentreOnScreen(this);
    raise();
    repaint();  // the caller's long operation starts right after this
}

// ---- connection help window ------------------------------------------------------------------

QStringList TConnectionHelpForm::defaultSettingsLines()
{
    const QString dot = QString(QChar(0x00B7));
    return {dot + QStringLiteral("   Baud Rate          38.4K"), dot + QStringLiteral("   Data Bit                     8"),
            dot + QStringLiteral("   Stop Bit                     1"),
            dot + QStringLiteral("   Parity                  NONE")};
}

QStringList TConnectionHelpForm::controllerLines()
{
    return {
        QStringLiteral("Setup Tornels Serial settings to the settings shown above."),
        QString(),
        QStringLiteral("Setup Tornel's serial mode to RS-485 in the SYSTEM OPTIONS menu and select a RS-485 ID.(this "
                       "setting can be found in "),
        QStringLiteral("SYSTEM OPTIONS->CONFIG SERIAL menu.) The RS-485 ID number can be set from 1 to 32. The Tornel "
                       "RS-485 ID in a multi-screen configuration must "),
        QStringLiteral("be set to follow the Pannex IDs. In a four-screen configuration the Tornel ID must be set to 5. "
                       "In a five-screen Configuration the first Tornel ID must "),
        QStringLiteral("be set to 6 and the second Tornel ID must be set to 7. In a six-screen configuration the first "
                       "Tornel ID must be set to 7 and the second "),
        QStringLiteral("Tornel ID must be set to 8."),
        QString(),
        QStringLiteral("The Controller must be turned on after Tornel and Pannex Plus have booted completely. The "
                       "Controller display will show TN: N "),
        QStringLiteral("(N being the number of Tornel(s) it detects.) If TN: 0 is shown, check the connection form the "
                       "Pannex Plus frame to the Tornel and make sure "),
        QStringLiteral("that the Tornel serial mode is set to RS-485 and the proper RS-485 ID has been selected as "
                       "explained above. Reboot the Controller until it detects "),
        QStringLiteral("the number of Tornel(s) that are connected to the Pannex Plus chassis. "),
        QString(),
        QStringLiteral("At this time. click on the \"Serial Port->Search for Tornel(s)->Search\" menu and establish "
                       "connection to the Tornel(s)."),
    };
}

QStringList TConnectionHelpForm::directLines()
{
    return {
        QStringLiteral("Setup Tornels Serial settings to the settings shown above."),
        QString(),
        QStringLiteral("Kalvora can be interfaced directly from the PC to a single Tornel using a serial communications "
                       "cable from the PC serial port to the Tornel's REMOTE "),
        QStringLiteral("serial port.  If this connection is used, the Tornel's serial port must be configured for RS-232 "
                       "operation and the serial port settings of the Tornel must "),
        QStringLiteral("be configured for the same baud rate, data bits, stop bits, parity, and handshake settings shown "
                       "above."),
    };
}

namespace {
QLabel* StaticText(QWidget* parent, const QString& text, const QString& name, bool bold = false)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    if (bold) {
        QFont f = label->font();
        f.setBold(true);
        label->setFont(f);
    }
    return label;
}

// One line of the default settings: its text stays as written, but the setting's name is drawn
// at the left and its value at the right edge, so the values of all lines form one column in
// whatever font the window uses (the blanks in the text only roughly align them).
class SettingLineLabel : public QLabel {
public:
    SettingLineLabel(const QString& line, QWidget* parent) : QLabel(line, parent)
    {
        static const QRegularExpression lastGap(QStringLiteral("\\s{2,}(?=\\S+$)"));
        const QRegularExpressionMatch m = lastGap.match(line);
        name_ = m.hasMatch() ? line.left(m.capturedStart()) : line;
        value_ = m.hasMatch() ? line.mid(m.capturedEnd()) : QString();
        setTextFormat(Qt::PlainText);
    }
    QSize sizeHint() const override
    {
        const QFontMetrics fm = fontMetrics();
        const QMargins m = contentsMargins();
        return {fm.horizontalAdvance(name_) + fm.horizontalAdvance(QStringLiteral("    ")) +
                    fm.horizontalAdvance(value_) + m.left() + m.right(),
                fm.height() + m.top() + m.bottom()};
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setPen(palette().color(foregroundRole()));
        const QRect r = contentsRect();
        painter.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, name_);
        painter.drawText(r, Qt::AlignRight | Qt::AlignVCenter, value_);
    }

private:
    QString name_, value_;
};

QLabel* LinesText(QWidget* parent, const QStringList& lines, const QString& name)
{
    // Each source line ends with its own blank where the text continues on the next line, so the
    // lines are joined as one flowing paragraph per empty-line break.
    auto* label = StaticText(parent, lines.join(QLatin1Char('\n')), name);
    label->setWordWrap(true);
    return label;
}
}  // namespace

TConnectionHelpForm::TConnectionHelpForm(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("TConnectionHelpForm"));
    setWindowTitle(QStringLiteral("Quennel - Kalvora : Connection Help"));

    auto* layout = new QGridLayout(this);
    auto* defaults =
        new QGroupBox(QStringLiteral("Default Tornel/Kalvora Serial settings"), this);
    defaults->setObjectName(QStringLiteral("DefaultSettingsGroupBox"));
    auto* dl = new QVBoxLayout(defaults);
    dl->setSpacing(0);
    int i = 0;
    for (const QString& line : defaultSettingsLines()) {
        auto* l = new SettingLineLabel(line, defaults);
        l->setObjectName(QStringLiteral("DefaultSetting%1Label").arg(++i));
        dl->addWidget(l);
    }
    layout->addWidget(defaults, 0, 0);
    layout->addWidget(StaticText(this, QStringLiteral("For figures and further assistance, please refer to Tornel manual."),
                                 QStringLiteral("ManualLabel")),
                      0, 1, Qt::AlignLeft | Qt::AlignVCenter);
    layout->addWidget(StaticText(this, QStringLiteral("Kalvora with Controller"), QStringLiteral("ControllerHeading"), true),
                      1, 0, 1, 2);
    layout->addWidget(LinesText(this, controllerLines(), QStringLiteral("ControllerHelpLabel")), 2, 0, 1, 2);
    layout->addWidget(
        StaticText(this, QStringLiteral("Kalvora without Controller"), QStringLiteral("DirectHeading"), true), 3, 0, 1, 2);
    layout->addWidget(LinesText(this, directLines(), QStringLiteral("DirectHelpLabel")), 4, 0, 1, 2);
    layout->setRowStretch(5, 1);
    layout->setColumnStretch(1, 1);
    // The classic size, or what the texts need at the desktop's font: each line of the help texts
    // on a line of its own where the screen has the room, else wrapped.
    int longest = 0;
    for (QLabel* l : findChildren<QLabel*>())
        if (l->wordWrap())
            for (const QString& line : l->text().split(QLatin1Char('\n')))
                longest = std::max(longest, l->fontMetrics().horizontalAdvance(line));
    const QMargins m = layout->contentsMargins();
    int width = std::max(792, longest + m.left() + m.right() + 4);
    if (QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen())
        width = std::min(width, screen->availableGeometry().width() * 9 / 10);
    width = std::max({792, width, layout->minimumSize().width()});
    setFixedSize(width, std::max(400, layout->hasHeightForWidth() ? layout->totalHeightForWidth(width)
                                                                   : layout->sizeHint().height()));
}

void TConnectionHelpForm::showHelp()
{
    const bool first = !isVisible();
    show();
    if (first) CentreOnScreen(this);
    raise();
    activateWindow();
}

// ---- About box -------------------------------------------------------------------------------

AboutBox::AboutBox(const QString& versionText, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About Kalvora"));
    setModal(true);
    auto* layout = new QGridLayout(this);
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(48, 48));
    layout->addWidget(icon, 0, 0, 4, 1, Qt::AlignTop);

    auto* name = new QLabel(QStringLiteral("<b>Kalvora</b>"), this);
    name->setObjectName(QStringLiteral("ProductNameLabel"));
    auto* version = new QLabel(versionText, this);
    version->setObjectName(QStringLiteral("VersionLabel"));
    auto* maker = new QLabel(QStringLiteral("Vorn Systems"), this);
    maker->setObjectName(QStringLiteral("MakerLabel"));
    auto* description = new QLabel(QStringLiteral("Minimum resolution required is 1024x768.\n\n"
                                                  "Please visit the Vorn web site for the latest version of Kalvora "
                                                  "and for the Tornel documentation."),
                                   this);
    description->setObjectName(QStringLiteral("DescriptionLabel"));
    description->setWordWrap(true);
    auto* mail = new QLabel(QStringLiteral("<a href=\"mailto:support@vorn.example\">support@vorn.example</a>"), this);
    mail->setObjectName(QStringLiteral("SupportMailLabel"));
    auto* web = new QLabel(QStringLiteral("<a href=\"https://www.vorn.example/\">www.vorn.example</a>"), this);
    web->setObjectName(QStringLiteral("WebSiteLabel"));
    for (QLabel* link : {mail, web}) {
        link->setTextFormat(Qt::RichText);
        link->setOpenExternalLinks(true);
        link->setTextInteractionFlags(Qt::TextBrowserInteraction);
    }
    int row = 0;
    for (QLabel* l : {name, version, maker, description, mail, web}) layout->addWidget(l, row++, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons, row, 0, 1, 2);
    // The classic width or more; as tall as the wrapped description needs at that width.
    const int width = std::max(380, layout->minimumSize().width());
    setFixedSize(width, std::max(layout->minimumSize().height(), layout->hasHeightForWidth() ? layout->totalHeightForWidth(width)
                                                                                              : layout->sizeHint().height()));
}

}  // namespace kalvora
