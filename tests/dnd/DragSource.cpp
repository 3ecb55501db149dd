// A stand-in for the user's file manager: drags files from its own window to a point of the
// screen with the X server's pointer and button (XTest), as a user's hand would, and prints the
// action its QDrag::exec returned: copy, move, link or ignore.
// Usage: tw_drag_source <x> <y> <offered: letters c, m, l> <file>...
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <QWindow>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <cstdio>
#include <cstdlib>

namespace {
// The pointer and its first button, driven through the X server.
class Hand {
public:
    Hand() : m_display(XOpenDisplay(nullptr)) {}
    ~Hand()
    {
        if (m_display)
            XCloseDisplay(m_display);
    }
    bool Ready() const { return m_display != nullptr; }
    void MoveTo(const QPoint& p)
    {
        XTestFakeMotionEvent(m_display, -1, p.x(), p.y(), CurrentTime);
        XFlush(m_display);
    }
    void Button(bool down)
    {
        XTestFakeButtonEvent(m_display, 1, down ? True : False, CurrentTime);
        XFlush(m_display);
    }

private:
    Display* m_display;
};

const char* Name(Qt::DropAction action)
{
    switch (action) {
    case Qt::CopyAction: return "copy";
    case Qt::MoveAction: return "move";
    case Qt::LinkAction: return "link";
    default: return "ignore";
    }
}

class Source : public QWidget {
public:
    Source(Hand& hand, QPoint target, Qt::DropActions offered, QList<QUrl> files)
        : m_hand(hand), m_target(target), m_offered(offered), m_files(std::move(files))
    {
    }

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        if (m_started || event->button() != Qt::LeftButton)
            return;
        m_started = true;
        auto* data = new QMimeData;
        data->setUrls(m_files);
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        // The target's answers arrive while the pointer rests over it.
        bool answered = false;
        connect(drag, &QDrag::actionChanged, this, [&](Qt::DropAction a) { answered = answered || a != Qt::IgnoreAction; });
        const QPoint start = event->globalPosition().toPoint();
        QTimer walk;
        int step = 0;
        connect(&walk, &QTimer::timeout, this, [&] {
            ++step;
            constexpr int Steps = 20;
            if (step <= Steps) {
                m_hand.MoveTo(start + (m_target - start) * step / Steps);
                return;
            }
            // Small moves over the target, each one answered anew; the drop follows a few
            // answers after the first (or gives up after some seconds without any).
            m_hand.MoveTo(m_target + QPoint(step % 2, 0));
            if ((answered && step >= Steps + 10) || step > Steps + 300) {
                walk.stop();
                m_hand.Button(false);
            }
        });
        walk.start(20);
        const Qt::DropAction result = drag->exec(m_offered, Qt::MoveAction);
        walk.stop();
        std::printf("%s\n", Name(result));
        std::fflush(stdout);
        QTimer::singleShot(0, qApp, [] { QApplication::exit(0); });
    }

private:
    Hand& m_hand;
    QPoint m_target;
    Qt::DropActions m_offered;
    QList<QUrl> m_files;
    bool m_started = false;
};
} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 5) {
        std::fprintf(stderr, "usage: tw_drag_source x y offered file...\n");
        return 2;
    }
    Hand hand;
    if (!hand.Ready()) {
        std::fprintf(stderr, "tw_drag_source: no X display\n");
        return 2;
    }
    const QPoint target(std::atoi(argv[1]), std::atoi(argv[2]));
    Qt::DropActions offered;
    for (const char* c = argv[3]; *c; ++c)
        offered |= *c == 'c' ? Qt::CopyAction : *c == 'm' ? Qt::MoveAction : *c == 'l' ? Qt::LinkAction : Qt::IgnoreAction;
    QList<QUrl> files;
    for (int i = 4; i < argc; ++i)
        files << QUrl::fromLocalFile(QString::fromLocal8Bit(argv[i]));

    Source source(hand, target, offered, files);
    source.setWindowFlag(Qt::FramelessWindowHint);
    source.setGeometry(840, 620, 120, 80);
    source.show();
    // Press on the window once the server shows it; a press that never arrives ends the run.
    QTimer press;
    QObject::connect(&press, &QTimer::timeout, &source, [&] {
        if (!source.windowHandle() || !source.windowHandle()->isExposed())
            return;
        press.stop();
        hand.MoveTo(source.mapToGlobal(source.rect().center()));
        hand.Button(true);
    });
    press.start(20);
    QTimer::singleShot(20000, &app, [] {
        std::printf("no drag\n");
        std::fflush(stdout);
        QApplication::exit(1);
    });
    return app.exec();
}
