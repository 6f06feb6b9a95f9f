#pragma once
// The Information page: unit 1's reported input and output values for one screen, the serial
// line's state, the terminal view, the reset and system-save buttons and the image position
// offsets of the plan.

#include <QWidget>
#include <array>
#include <functional>

#include "settings/records.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kalvora {

class TerminalView;
class WallOverviewView;

class InfoPage : public QWidget {
    Q_OBJECT
public:
    enum class Light { Txd, Rxd, Dcd, Cts };

    // `plannedProjectors` gives the planned projector count, drawn for a wall not read yet.
    InfoPage(const Settings& settings, std::function<int()> plannedProjectors, QWidget* parent = nullptr);

    // Unit 1's input channel n and output screen n (n = 1..4); other n change nothing.
    void FillInputInfo(int n);
    void FillOutputInfo(int n);
    // Fills both groups for the selected screen once settings are available (read or file).
    void ScreenInfoComboBoxChange();

    // The image position offsets of projectors 1..8 ("N/A" for unused ones).
    void setImagePosition(int projector, const QString& start, const QString& end);

    void setLight(Light light, bool on);

    // The wall overview: redrawn from the records after every fill of the page and whenever
    // the page is shown.
    void refreshWallOverview();
    WallOverviewView* wallOverview() const { return overview_; }
    QWidget* wallOverviewWindow() const { return overviewWindow_; }
    // "Wall Overview...": the overview's window, brought up to date and to the front.
    void showWallOverview();
    // The device COM n (1, 2) stands for, in the RS-232 group: `text` (shortened to the label's
    // width, in full in the tool tip with `details`). A text too long loses its middle, or, with
    // `keepTail`, the end of what comes before its last `keepTail` characters.
    void setComDevice(int n, const QString& text, const QString& details, int keepTail = 0);
    QString comDeviceText(int n) const;

    TerminalView* terminal() const { return terminal_; }
    QPushButton* resetButton() const { return resetButton_; }
    QPushButton* systemSaveButton() const { return systemSaveButton_; }
    QComboBox* screenInfoComboBox() const { return screenInfo_; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void elideComDevice(int n);
    QLabel* value(const char* name) const;
    void setValue(const char* name, const QString& text);

    const Settings& settings_;
    std::function<int()> plannedProjectors_;
    TerminalView* terminal_ = nullptr;
    WallOverviewView* overview_ = nullptr;
    QWidget* overviewWindow_ = nullptr;
    QComboBox* screenInfo_ = nullptr;
    QPushButton* resetButton_ = nullptr;
    QPushButton* systemSaveButton_ = nullptr;
    std::array<QLabel*, 4> lights_{};
    std::array<QLabel*, 2> comDevices_{};
    std::array<QString, 2> comDeviceTexts_{};
    std::array<int, 2> comDeviceTails_{};
};

}  // namespace kalvora
