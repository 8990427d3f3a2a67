// The board beside the control panel: the solver's board as it stands, the limit rectangle and
// the first point of the panel's fields, and the number of the piece under the mouse (of every
// piece once the board is large enough to read them).
#pragma once

#include <QWidget>

#include <chrono>

#include "draw/board_painter.h"
#include "app/solver_state.h"

class BoardView : public QWidget {
public:
    BoardView(const tessera::SolverState& state, QWidget* parent);

    int hovered_piece() const { return hovered_; }
    // The parameters whose rectangle, region and first point are drawn, and edited ones that
    // apply only later, drawn dashed where they differ (none: nullptr).
    void set_marks(const tessera::SearchParams& params, const tessera::SearchParams* pending);
    // What a paint of the view draws, also for a picture of it.
    tessera::BoardPaintOptions paint_options() const;
    // How often the view has been painted, so that a test can tell how often it is redrawn.
    long paints() const { return paints_; }
    // How long the last painting took, and all paintings together.
    std::chrono::nanoseconds paint_time() const { return paint_time_; }
    std::chrono::nanoseconds total_paint_time() const { return total_paint_time_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void hover(int piece);

    const tessera::SolverState& state_;
    tessera::SearchParams marks_{}, pending_{};
    bool has_pending_ = false;
    int hovered_ = 0;
    long paints_ = 0;
    std::chrono::nanoseconds paint_time_{0}, total_paint_time_{0};
};
