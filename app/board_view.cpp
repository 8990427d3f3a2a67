#include "app/board_view.h"

#include <QMouseEvent>
#include <QPainter>

#include "app/board_painter.h"

BoardView::BoardView(const tessera::SolverState& state, QWidget* parent) : QWidget(parent), state_(state) {
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void BoardView::paintEvent(QPaintEvent*) {
    const auto start = std::chrono::steady_clock::now();
    ++paints_;
    QPainter painter(this);
    tessera::BoardPaintOptions options;
    options.highlight_piece = hovered_;
    tessera::paint_board(painter, QRectF(rect()), state_, options);
    painter.end();
    paint_time_ = std::chrono::steady_clock::now() - start;
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
