// The floor of a page turn in a window: a Qt Widgets window holding a page of the reader's
// size (page_flip_window WxH, 496x936 by default) that, on each PageDown, shows the other of two
// page images made before the first frame (one drawImage, no other work). Its widgets carry the
// reader's names for the window, the page control, the reading page and the page itself, and
// it installs the reader's start-up probe, so the probe's PageDown mode times the key press to
// the frame on the screen here exactly as it does in the reader: same key sending, same wait
// for the paint, the flush and the display's answer.
#include "ui/StartupProbe.h"

#include <QApplication>
#include <QColor>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTabWidget>
#include <QWidget>

#include <array>
#include <cstdio>

namespace {

// A page image: bands of two shades, as paragraphs, and a darker line every 24 pixels, as
// text lines; the second image has its bands and lines elsewhere, so every turn changes the
// whole page.
QImage pageImage(QSize size, int variant) {
    QImage image(size, QImage::Format_RGB32);
    const QRgb shades[2] = {qRgb(0xFF, 0xFB, 0xF0), qRgb(0xF0, 0xF4, 0xFF)};
    const QRgb ink = variant == 0 ? qRgb(0x20, 0x20, 0x60) : qRgb(0x60, 0x20, 0x20);
    const int offset = variant * 57;
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        const QRgb shade = shades[((y + offset) / 120) % 2];
        const bool text = (y + offset) % 24 >= 8 && (y + offset) % 24 < 18;
        for (int x = 0; x < image.width(); ++x)
            row[x] = text && x >= 8 + variant * 20 && x < image.width() - 8 && (x / 7) % 5 != 4
                         ? ink
                         : shade;
    }
    return image;
}

class Page : public QWidget {
public:
    Page(QSize size, QWidget* parent)
        : QWidget(parent)
        , m_images{pageImage(size, 0), pageImage(size, 1)} {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setObjectName("Image1");
        setGeometry(0, 0, size.width(), size.height());
    }

    void turn() {
        m_shown = 1 - m_shown;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawImage(QPoint(0, 0), m_images[static_cast<std::size_t>(m_shown)]);
    }

private:
    std::array<QImage, 2> m_images;
    int m_shown = 0;
};

class Window : public QWidget {
public:
    explicit Window(QSize size)
        : m_tabs(new QTabWidget(this)) {
        setObjectName("Form1");
        m_tabs->setObjectName("PageControl1");
        // One page and no tab bar or frame: the page control is the page's size.
        m_tabs->setDocumentMode(true);
        m_tabs->setTabBarAutoHide(true);
        auto* sheet = new QWidget(m_tabs);
        sheet->setObjectName("ReadTabSheet");
        m_page = new Page(size, sheet);
        m_tabs->addTab(sheet, "Reading");
        m_tabs->setGeometry(0, 0, size.width(), size.height());
        setFixedSize(size);
        // Key preview, as the reader has it: a PageDown meant for this window turns the page
        // and goes no further, whichever of its widgets has the focus.
        qApp->installEventFilter(this);
    }
    ~Window() override { qApp->removeEventFilter(this); }
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->window() == this &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_PageDown) {
            m_page->turn();
            return true;
        }
        return QWidget::eventFilter(watched, event);
    }

private:
    QTabWidget* m_tabs;
    Page* m_page = nullptr;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QSize size(496, 936);
    if (argc > 1) {
        int width = 0, height = 0;
        if (std::sscanf(argv[1], "%dx%d", &width, &height) != 2 || width <= 0 || height <= 0 ||
            width > 10000 || height > 10000) {
            std::fprintf(stderr, "page_flip_window: size %s is not WxH\n", argv[1]);
            return 2;
        }
        size = QSize(width, height);
    }
    qm::installStartupProbe(&app);
    Window window(size);
    window.show();
    return app.exec();
}
