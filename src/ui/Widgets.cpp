#include "ui/Widgets.h"

#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QWheelEvent>

#include <algorithm>
#include <utility>

namespace qm {

PictureBox::PictureBox(QWidget* parent)
    : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::setPicture(const QImage& picture) {
    m_picture = picture;
    update();
}

void PictureBox::setBlankColour(const QColor& colour) {
    m_blank = colour;
}

QImage& PictureBox::pictureCovering(QSize size) {
    const QSize grown = size.expandedTo(m_picture.size());
    if (grown != m_picture.size()) {
        QImage larger(grown, QImage::Format_RGB32);
        larger.fill(m_blank);
        if (!m_picture.isNull()) QPainter(&larger).drawImage(QPoint(0, 0), m_picture);
        m_picture = std::move(larger);
    }
    return m_picture;
}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!m_picture.rect().contains(rect())) painter.fillRect(rect(), m_blank);
    if (!m_picture.isNull()) painter.drawImage(QPoint(0, 0), m_picture);
}

ReadingPage::ReadingPage(QWidget* parent)
    : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ReadingPage::setImage(std::function<const QImage&()> image) {
    m_image = std::move(image);
    update();
}

void ReadingPage::setPagePainter(std::function<bool(QPainter&, const QRect&)> pagePainter) {
    m_pagePainter = std::move(pagePainter);
    update();
}

void ReadingPage::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    if (m_pagePainter && m_pagePainter(painter, event->rect())) return;
    const QImage* image = m_image ? &m_image() : nullptr;
    if (image && !image->isNull())
        painter.drawImage(QPoint(0, 0), *image);
    else
        painter.fillRect(event->rect(), QColor(0xC0, 0xC0, 0xC0));
}

void ReadingPage::wheelEvent(QWheelEvent* event) {
    // Fine-grained wheels report small deltas; a page turns for every full notch of 120.
    m_wheelRest += event->angleDelta().y();
    const int notches = m_wheelRest / 120;
    m_wheelRest -= notches * 120;
    if (notches != 0) emit pageSteps(-notches);
    event->accept();
}

void ReadingPage::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit clicked(event->position().toPoint());
    QWidget::mousePressEvent(event);
}

void ReadingPage::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit doubleClicked(event->position().toPoint());
    QWidget::mouseDoubleClickEvent(event);
}

UpDown::UpDown(int minimum, int maximum, int position, QWidget* parent)
    : QWidget(parent)
    , m_minimum(minimum)
    , m_maximum(maximum)
    , m_position(position)
    , m_up(new QToolButton(this))
    , m_down(new QToolButton(this)) {
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    for (QToolButton* b : {m_up, m_down}) {
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
    }
    m_up->setAccessibleName("Up");
    m_down->setAccessibleName("Down");
    connect(m_up, &QToolButton::clicked, this, [this] { step(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { step(-1); });
}

void UpDown::setPosition(int position) {
    m_position = std::clamp(position, m_minimum, m_maximum);
}

void UpDown::step(int delta) {
    m_position = std::clamp(m_position + delta, m_minimum, m_maximum);
    emit clicked(m_position);
}

void UpDown::resizeEvent(QResizeEvent*) {
    const int half = height() / 2;
    m_up->setGeometry(0, 0, width(), half);
    m_down->setGeometry(0, half, width(), height() - half);
}

void Sheet::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    emit resized(event->size());
}

void TocTree::mouseReleaseEvent(QMouseEvent* event) {
    QTreeWidget::mouseReleaseEvent(event);
    if (m_releaseEndsDoubleClick) {
        m_releaseEndsDoubleClick = false;
        return;
    }
    if (event->button() == Qt::LeftButton) emit userClicked();
}

void TocTree::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_releaseEndsDoubleClick = true;
        emit userDoubleClicked();
    }
    QTreeWidget::mouseDoubleClickEvent(event);
}

void IndexTree::mouseReleaseEvent(QMouseEvent* event) {
    QTreeView::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) emit userClicked();
}

} // namespace qm
