#pragma once
// The small widgets the main window is built from where Qt has no exact counterpart: a
// picture box, the reading page, an up-down control, a page that reports its size, and the
// two trees that report every mouse click, as the window's click handlers expect.
#include <QColor>
#include <QImage>
#include <QTreeView>
#include <QTreeWidget>
#include <QWidget>

#include <functional>

class QPainter;
class QToolButton;

namespace qm {

// Shows the top-left part of its picture. The picture grows to cover what is drawn on it and
// never shrinks; a part not drawn yet holds the blank colour.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);
    QImage& picture() { return m_picture; }
    void setPicture(const QImage& picture);
    void setBlankColour(const QColor& colour);
    // The picture, grown first where it is smaller than size.
    QImage& pictureCovering(QSize size);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QImage m_picture;
    QColor m_blank = Qt::white;
};

// The reading page: paints the page the page renderer drew, and nothing else (no background
// erase): straight onto the window when the page painter can (see QtSurface::paintPage),
// otherwise the image the renderer drew. The image is asked for only when the page is
// painted, so a page never shown makes none. The wheel turns pages, one page per notch.
class ReadingPage : public QWidget {
    Q_OBJECT
public:
    explicit ReadingPage(QWidget* parent = nullptr);
    void setImage(std::function<const QImage&()> image);
    // Paints the page, or at least the part of it in the rectangle, onto the painter and
    // returns true, or returns false to have the image painted instead.
    void setPagePainter(std::function<bool(QPainter&, const QRect&)> pagePainter);

signals:
    // Positive: pages forward; negative: pages back.
    void pageSteps(int steps);
    // A left click or double click on the page, in the page's pixels.
    void clicked(QPoint at);
    void doubleClicked(QPoint at);

protected:
    void paintEvent(QPaintEvent*) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    std::function<const QImage&()> m_image;
    std::function<bool(QPainter&, const QRect&)> m_pagePainter;
    int m_wheelRest = 0;
};

// Up-down arrows over a position in a range, without wrap-around. A click reports the new
// position, also when the position is at its limit and does not change.
class UpDown : public QWidget {
    Q_OBJECT
public:
    UpDown(int minimum, int maximum, int position, QWidget* parent = nullptr);
    int position() const { return m_position; }
    // Sets the position without reporting a click.
    void setPosition(int position);

signals:
    void clicked(int position);

protected:
    void resizeEvent(QResizeEvent*) override;

private:
    void step(int delta);
    int m_minimum, m_maximum, m_position;
    QToolButton* m_up;
    QToolButton* m_down;
};

// A page of a page control that reports its size changes.
class Sheet : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

signals:
    void resized(QSize size);

protected:
    void resizeEvent(QResizeEvent* event) override;
};

// The contents tree: a click anywhere in it (on a label or on an expand box) is reported
// after the tree has handled it; a double click is reported before the tree expands or
// collapses the node, and the button release that ends it is no click.
class TocTree : public QTreeWidget {
    Q_OBJECT
public:
    using QTreeWidget::QTreeWidget;

signals:
    void userClicked();
    void userDoubleClicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    bool m_releaseEndsDoubleClick = false;
};

// The index tree: every click, on a label or on an expand box, is reported after the tree
// has handled it.
class IndexTree : public QTreeView {
    Q_OBJECT
public:
    using QTreeView::QTreeView;

signals:
    void userClicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

} // namespace qm
