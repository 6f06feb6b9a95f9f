#pragma once
// The two drawing surfaces of the Planning page. Each paints the primitives it was last given
// and nothing else; the geometry is computed in planning/layout_drawing.h.

#include <QFontMetrics>
#include <QWidget>

#include "planning/layout_drawing.h"

namespace kalvora {

// ProjectorImage: the strip of coloured projector frames.
class ProjectorStripView : public QWidget {
    Q_OBJECT
public:
    explicit ProjectorStripView(QWidget* parent = nullptr);
    void setStrip(ProjectorStrip strip);
    const ProjectorStrip& strip() const { return strip_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ProjectorStrip strip_;
    bool drawn_ = false;
};

// Where the ruler paints the screen width: at its own place at the right end, or, when it
// would run past the end or into the last projector's value there, right-aligned just below
// the axis.
TextItem PlaceSizeText(const PlacementRuler& ruler, const QFontMetrics& metrics);

// ProjPlaceImage: the "Projector Placement" ruler.
class PlacementRulerView : public QWidget {
    Q_OBJECT
public:
    explicit PlacementRulerView(QWidget* parent = nullptr);
    void setRuler(PlacementRuler ruler);
    const PlacementRuler& ruler() const { return ruler_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PlacementRuler ruler_;
    bool drawn_ = false;
};

}  // namespace kalvora
