// The word index shown in the window's index tree: a generated index of 50,000 words and
// 1,000,000 references loaded by the Load Index button into a session whose view port is the
// index tree's model and a QTreeView shown offscreen, as in the window (the model re-reads the
// list, the first letter is selected, the tree is painted). The floors, measured in the same
// run: the same load with no tree at all, and for the tree's own part the same view shown over
// a model of one row with nothing behind it.
//
// Every run starts cold: freed memory goes back to the system and the high-water mark of the
// resident set is reset. peak_rss_mb is the process's high-water mark during the run;
// added_mb is that mark less the resident set just before the run.
#include "core/index/IndexTree.h"
#include "core/port/NullViewPort.h"
#include "core/shell/Session.h"
#include "core/testing/SessionTestAccess.h"
#include "ui/IndexModel.h"

#include <QAbstractListModel>
#include <QApplication>
#include <QTreeView>

#include <benchmark/benchmark.h>

#include "support/LargeIndex.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <malloc.h>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <unistd.h>

namespace {

using qmbench::NoPlatform;

const std::string& indexPath() {
    return qmbench::largeIndexPath("index-view");
}

double statusMb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == field) {
            double kb = 0;
            status >> kb;
            return kb / 1024.0;
        }
        status.ignore(1 << 20, '\n');
    }
    return 0;
}

// Returns the resident set the run starts from.
double startCold() {
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
    return statusMb("VmRSS:");
}

// The control panel's page the index tree sits on: shown once, as the window is before any
// load, so that every run pays for the tree and not for a new top-level window.
QWidget& panelPage() {
    static QWidget* page = [] {
        auto* w = new QWidget;
        w->resize(192, 400);
        w->show();
        QApplication::processEvents();
        return w;
    }();
    return *page;
}

// The index tree as the window sets it up: hidden on the page until a load shows it.
std::unique_ptr<QTreeView> makeTree(QAbstractItemModel& model) {
    auto tree = std::make_unique<QTreeView>(&panelPage());
    tree->hide();
    tree->setModel(&model);
    tree->setHeaderHidden(true);
    tree->setIndentation(19);
    tree->setUniformRowHeights(true);
    tree->setGeometry(0, 0, 192, 400);
    return tree;
}

// The window's side of the load: the model re-reads the list, the tree shows and selects.
class TreeView : public qm::NullViewPort {
public:
    qm::IndexModel* model = nullptr;
    QTreeView* tree = nullptr;

    void setVisible(qm::Control c, bool on) override {
        if (c == qm::Control::InxTreeView) tree->setVisible(on);
    }
    void indexTreeChanged() override { model->reload(); }
    void selectIndexNode(int node) override { tree->setCurrentIndex(model->indexOfNode(node)); }
};

struct Memory {
    double peak = 0;
    double added = 0;
    void record(double before) {
        const double hwm = statusMb("VmHWM:");
        peak = std::max(peak, hwm);
        added = std::max(added, hwm - before);
    }
    void report(benchmark::State& state) const {
        state.counters["peak_rss_mb"] = peak;
        state.counters["added_mb"] = added;
    }
};

void BM_LoadAndShowIndex(benchmark::State& state) {
    const std::string path = indexPath();
    auto fs = qm::makeRealFileSystem();
    NoPlatform platform;
    Memory memory;
    std::size_t nodes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        TreeView view;
        auto session = std::make_unique<qm::Session>(view, *fs, platform);
        qm::SessionTestAccess(*session).setIndexFile(path);
        auto model = std::make_unique<qm::IndexModel>(session->indexNodes());
        auto tree = makeTree(*model);
        view.model = model.get();
        view.tree = tree.get();
        QApplication::processEvents();
        const double before = startCold();
        state.ResumeTiming();

        session->IndexLoadButtonClick();
        QApplication::processEvents();

        state.PauseTiming();
        memory.record(before);
        nodes = session->indexNodes().size();
        tree.reset();
        model.reset();
        session.reset();
        state.ResumeTiming();
    }
    memory.report(state);
    state.counters["nodes"] = static_cast<double>(nodes);
}

void BM_LoadIndexFloor(benchmark::State& state) {
    const std::string path = indexPath();
    auto fs = qm::makeRealFileSystem();
    NoPlatform platform;
    qm::NullViewPort view;
    Memory memory;
    for (auto _ : state) {
        state.PauseTiming();
        auto session = std::make_unique<qm::Session>(view, *fs, platform);
        qm::SessionTestAccess(*session).setIndexFile(path);
        const double before = startCold();
        state.ResumeTiming();

        session->IndexLoadButtonClick();

        state.PauseTiming();
        memory.record(before);
        session.reset();
        state.ResumeTiming();
    }
    memory.report(state);
}

// The tree's own part over an index already loaded: the model built over the list, the tree
// set up, shown with the first letter selected, and painted.
void BM_ShowLoadedIndex(benchmark::State& state) {
    auto fs = qm::makeRealFileSystem();
    std::vector<qm::IndexNode> nodes;
    {
        const auto bytes = fs->readFile(indexPath());
        nodes = qm::buildIndexTree(bytes ? std::string_view(*bytes) : std::string_view{});
    }
    const int first = qm::firstSelectableIndexNode(nodes).value_or(0);
    Memory memory;
    for (auto _ : state) {
        state.PauseTiming();
        const double before = startCold();
        state.ResumeTiming();

        auto model = std::make_unique<qm::IndexModel>(nodes);
        auto tree = makeTree(*model);
        tree->show();
        tree->setCurrentIndex(model->indexOfNode(first));
        QApplication::processEvents();

        state.PauseTiming();
        memory.record(before);
        tree.reset();
        model.reset();
        state.ResumeTiming();
    }
    memory.report(state);
    state.counters["nodes"] = static_cast<double>(nodes.size());
}

// One row and nothing behind it: what a tree view costs to set up, show and paint.
class OneRow : public QAbstractListModel {
public:
    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 1; }
    QVariant data(const QModelIndex& index, int role) const override {
        return index.isValid() && role == Qt::DisplayRole ? QVariant(QStringLiteral("Index"))
                                                          : QVariant();
    }
};

void BM_ShowTreeFloor(benchmark::State& state) {
    Memory memory;
    for (auto _ : state) {
        state.PauseTiming();
        const double before = startCold();
        state.ResumeTiming();

        auto model = std::make_unique<OneRow>();
        auto tree = makeTree(*model);
        tree->show();
        tree->setCurrentIndex(model->index(0, 0));
        QApplication::processEvents();

        state.PauseTiming();
        memory.record(before);
        tree.reset();
        model.reset();
        state.ResumeTiming();
    }
    memory.report(state);
}

BENCHMARK(BM_LoadAndShowIndex)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);
BENCHMARK(BM_LoadIndexFloor)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);
BENCHMARK(BM_ShowLoadedIndex)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);
BENCHMARK(BM_ShowTreeFloor)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::remove(indexPath().c_str());
    return 0;
}
