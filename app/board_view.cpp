#include "app/board_view.h"

#include <QMouseEvent>
#include <QPainter>


BoardView::BoardView(const tessera::SolverState& state, QWidget* parent) : QWidget(parent), state_(state) {
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

namespace {

// Piece numbers are drawn on every piece once a cell's edge is this long: the numbers are then
// large enough to read.
constexpr double kNumbersFromEdge = 18;

}  // namespace

void BoardView::set_marks(const tessera::SearchParams& params, const tessera::SearchParams* pending) {
    marks_ = params;
    has_pending_ = pending != nullptr;
    if (pending) pending_ = *pending;
    update();
}

tessera::BoardPaintOptions BoardView::paint_options() const {
    tessera::BoardPaintOptions options;
    options.highlight_piece = hovered_;
    options.piece_numbers = tessera::BoardGeometry(QRectF(rect())).edge() >= kNumbersFromEdge;
    options.marks = true;
    options.params = marks_;
    options.pending = has_pending_;
    options.pending_params = pending_;
    return options;
}

void BoardView::paintEvent(QPaintEvent*) {
    const auto start = std::chrono::steady_clock::now();
    ++paints_;
    QPainter painter(this);
    tessera::paint_board(painter, QRectF(rect()), state_, paint_options());
    painter.end();
    paint_time_ = std::chrono::steady_clock::now() - start;
    total_paint_time_ += paint_time_;
}

void BoardView::mouseMoveEvent(QMouseEvent* event) {
    hover(tessera::piece_at(state_, QRectF(rect()), event->position()));
}

void BoardView::leaveEvent(QEvent*) { hover(0); }

void BoardView::hover(int piece) {
    if (piece == hovered_) return;
    hovered_ = piece;
    setToolTip(piece != 0 ? QString::number(piece) : QString());
    update();
}
