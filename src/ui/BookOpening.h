#pragma once
// Opening a book file for the main window without holding it up: the library reads, lays out
// and stores the book on a worker thread (with a file system and a library of its own), a
// progress dialog shows how far it is and offers Cancel, and the session shows the book on
// the window's thread once it is there. A failure shows its message as any other does.
// Exporting the text showing runs the same way.
#include "core/export/Export.h"

#include <QObject>
#include <QString>

#include <memory>
#include <string>

class QProgressDialog;
class QThread;
class QTimer;

namespace qm {

class TForm1;

class BookOpening : public QObject {
    Q_OBJECT
public:
    explicit BookOpening(TForm1& window);
    // A running open is cancelled and waited for.
    ~BookOpening() override;

    // Starts opening the book file at `path`; one book at a time.
    void start(const std::string& path);
    // Starts laying the library's book `key` out again from the file at `path`, moving the
    // bookmarks of the collection's bookmark file; it shares the one-at-a-time rule.
    void startRelayout(const std::string& key, const std::string& path);
    // Starts exporting the book as the request asks (a PDF drawn by the window's page
    // document); it shares the one-at-a-time rule.
    void startExport(exporting::ExportBook book, exporting::ExportRequest request);
    bool running() const { return m_thread != nullptr; }

signals:
    // The open has ended (shown, failed or cancelled).
    void ended();

private:
    struct Job;
    void begin(std::shared_ptr<Job> job, const QString& label);
    void showProgress();
    void finish();

    TForm1& m_window;
    std::shared_ptr<Job> m_job;
    QThread* m_thread = nullptr;
    QProgressDialog* m_dialog = nullptr;
    QTimer* m_poll = nullptr;
};

} // namespace qm
