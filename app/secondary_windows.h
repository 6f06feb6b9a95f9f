#pragma once
// The small windows that live for the whole run beside the main window.

#include <QDialog>
#include <QElapsedTimer>
#include <QWidget>

class QLabel;
class QTimer;

namespace kalvora {

inline const QString kVersionText = QStringLiteral("Version ") + QStringLiteral("1.01b_b");

// A stay-on-top note shown while a long unit operation runs. It has no close box: only its
// caller hides it.
class TInfoForm : public QWidget {
    Q_OBJECT
public:
    explicit TInfoForm(QWidget* parent = nullptr);
    // Sets the text, shows the window centred and paints it at once (the caller then blocks).
    void showInfo(const QString& text);
    void hideInfo();
    QString text() const;
    // The second line: which unit is at work and the time since showInfo, kept up to date
    // once a second while the window shows.
    void setUnit(int unit, int units);
    QString detailText() const;

private:
    void updateDetail();
    QLabel* label_;
    QLabel* detail_;
    QTimer* tick_;
    QElapsedTimer elapsed_;
    int unit_ = 0;
    int units_ = 0;
};

// Cabling and serial-settings help, shown modeless from the Help menu.
class TConnectionHelpForm : public QWidget {
    Q_OBJECT
public:
    explicit TConnectionHelpForm(QWidget* parent = nullptr);
    void showHelp();
    // The lines of the two instruction sections, exactly as shown (tests read them).
    static QStringList controllerLines();
    static QStringList directLines();
    static QStringList defaultSettingsLines();
};

// The About box: application name, version, maker, description, support links and an icon.
class AboutBox : public QDialog {
    Q_OBJECT
public:
    AboutBox(const QString& versionText, QWidget* parent);
};

// Centres a top-level window on the screen it is on (or the primary screen).
void CentreOnScreen(QWidget* window);
// Puts a tool window beside `main`: to its right where the screen has room, else to its left,
// else over its right edge; top edges aligned, kept on the screen. Only the first time: a window
// the operator moved stays where it is.
void PlaceBeside(QWidget* tool, QWidget* main);

}  // namespace kalvora
