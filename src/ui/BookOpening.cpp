#include "ui/BookOpening.h"

#include "core/base/Error.h"
#include "core/base/Paths.h"
#include "core/library/BookFile.h"
#include "ui/Cp1252.h"
#include "ui/MainWindow.h"
#include "ui/PdfPages.h"

#include <QProgressDialog>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <optional>

namespace qm {

namespace {

constexpr int kSteps = 1000;
constexpr int kPollMs = 50;
// A book found in the library opens in a moment: no dialog flashes for it.
constexpr int kShowAfterMs = 300;

} // namespace

// What the worker shares with the window. The worker writes the outcome before it ends; the
// window reads it only after waiting for the thread.
struct BookOpening::Job {
    std::string path;
    std::string dataFolder;
    std::string relayKey;     // set when the job lays a stored book out again
    std::string bookmarkFile; // the collection's, whose bookmarks then move
    // The session's parser, kept alive here while the worker may still cascade with it.
    std::shared_ptr<cascade::SentenceParser> parser;
    std::atomic<bool> cancel{false};
    std::atomic<int> done{0}; // in kSteps
    std::optional<library::Book> book;
    std::optional<library::Relaid> relaid;
    // Set when the job exports the book to the request's file.
    std::optional<std::pair<exporting::ExportBook, exporting::ExportRequest>> exported;
    std::string error;

    void run() {
        try {
            const std::unique_ptr<FileSystem> fs = makeRealFileSystem();
            library::Progress progress;
            progress.report = [this](double fraction) {
                done.store(static_cast<int>(fraction * kSteps));
            };
            progress.cancel = &cancel;
            if (exported)
                exporting::exportBook(*fs, std::move(exported->first), exported->second,
                                      makePdfDocument, progress);
            else if (relayKey.empty())
                book = library::openBookFile(*fs, dataFolder, path, parser.get(), progress);
            else
                relaid = library::relayBookFile(*fs, dataFolder, relayKey, path, bookmarkFile,
                                                parser.get(), progress);
        } catch (const library::OpenCancelled&) {
        } catch (const UserError& e) {
            error = e.what();
        } catch (const std::bad_alloc&) {
            error = failure() + ": there is not enough memory for it.";
        } catch (const std::exception& e) {
            error = failure() + ": " + e.what();
        }
    }

    std::string failure() const {
        return (exported ? "Cannot export to " : "Cannot open ") + fileNameOf(path);
    }
};

BookOpening::BookOpening(TForm1& window)
    : QObject(&window)
    , m_window(window) {}

BookOpening::~BookOpening() {
    if (!m_thread) return;
    m_job->cancel.store(true);
    m_thread->wait();
    delete m_thread;
}

void BookOpening::start(const std::string& path) {
    auto job = std::make_shared<Job>();
    job->path = path;
    begin(std::move(job), "Opening " + fromLocalPath(fileNameOf(path)) + " ...");
}

void BookOpening::startRelayout(const std::string& key, const std::string& path) {
    auto job = std::make_shared<Job>();
    job->path = path;
    job->relayKey = key;
    job->bookmarkFile = m_window.session().locations().bookmarkFile;
    begin(std::move(job), "Laying out " + fromLocalPath(fileNameOf(path)) + " again ...");
}

void BookOpening::startExport(exporting::ExportBook book, exporting::ExportRequest request) {
    auto job = std::make_shared<Job>();
    job->path = request.path;
    const QString label = "Exporting to " + fromLocalPath(fileNameOf(request.path)) + " ...";
    job->exported.emplace(std::move(book), std::move(request));
    begin(std::move(job), label);
}

void BookOpening::begin(std::shared_ptr<Job> next, const QString& label) {
    if (m_thread) {
        m_window.showMessage("A book is being opened. Wait for it, or cancel it, first.");
        return;
    }
    m_job = std::move(next);
    m_job->dataFolder = m_window.session().locations().dataFolder;
    m_job->parser = m_window.session().parser();

    // Not modal: the window goes on being read and redrawn while the book is made.
    m_dialog = new QProgressDialog(label, "Cancel", 0, kSteps, &m_window);
    m_dialog->setObjectName("BookProgressDialog");
    m_dialog->setWindowTitle(m_job->exported          ? "Exporting a book"
                             : m_job->relayKey.empty() ? "Opening a book"
                                                       : "Laying out a book");
    m_dialog->setAutoClose(false);
    m_dialog->setAutoReset(false);
    m_dialog->setMinimumDuration(kShowAfterMs);
    const std::shared_ptr<Job> job = m_job;
    connect(m_dialog, &QProgressDialog::canceled, this, [this, job] {
        job->cancel.store(true);
        m_dialog->setLabelText("Cancelling ...");
    });

    m_poll = new QTimer(this);
    m_poll->setInterval(kPollMs);
    connect(m_poll, &QTimer::timeout, this, &BookOpening::showProgress);
    m_poll->start();

    m_thread = QThread::create([job] { job->run(); });
    connect(m_thread, &QThread::finished, this, &BookOpening::finish);
    m_thread->start();
}

void BookOpening::showProgress() {
    if (m_dialog && !m_job->cancel.load()) m_dialog->setValue(m_job->done.load());
}

void BookOpening::finish() {
    m_thread->wait();
    delete std::exchange(m_thread, nullptr);
    delete std::exchange(m_poll, nullptr);
    m_dialog->close();
    m_dialog->deleteLater();
    m_dialog = nullptr;
    const std::shared_ptr<Job> job = std::move(m_job);
    if (job->book) {
        m_window.handle(
            [this, &job] { m_window.session().openLibraryBook(*job->book, job->path); });
    } else if (job->relaid) {
        m_window.handle(
            [this, &job] { m_window.session().showRelaidBook(*job->relaid, job->path); });
    } else if (!job->error.empty()) {
        m_window.showMessage(job->error);
    }
    emit ended();
}

} // namespace qm
