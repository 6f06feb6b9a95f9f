#pragma once
// Paints the wall overview (planning/wall_overview.h) as it is given.

#include <QWidget>

#include "planning/wall_overview.h"

namespace kalvora {

class WallOverviewView : public QWidget {
    Q_OBJECT
public:
    explicit WallOverviewView(QWidget* parent = nullptr);
    void setOverview(WallOverview overview);
    const WallOverview& overview() const { return overview_; }
    // The face the texts are drawn in (a little smaller than the window's) and its line pitch,
    // for LayoutWallOverview.
    QFont textFont() const;
    int lineHeight() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    WallOverview overview_;
};

}  // namespace kalvora
