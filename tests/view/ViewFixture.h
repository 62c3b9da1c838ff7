#pragma once
// A session with a fixed-metrics surface and the light scheme, for the reading view's tests.
// At the default 15 points a character is 7 pixels wide and a row 20 pixels high.
#include "core/shell/Session.h"
#include "core/testing/FakeSurface.h"
#include "core/testing/MemoryFileSystem.h"
#include "core/testing/SessionTestAccess.h"
#include "core/view/ColourSchemes.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qmview {

// Records the progress bar and, after every drawing, the shade the drawing ended in.
class View : public qmtest::RecordingView {
public:
    void setProgress(int maximum, int position) override {
        progressMax = maximum;
        progressPos = position;
    }
    void pageDrawn() override {
        RecordingView::pageDrawn();
        if (session) endShades.push_back(session->currentShade());
    }
    int progressMax = -1, progressPos = -1;
    const qm::Session* session = nullptr;
    std::vector<int> endShades;
};

class ViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        view.session = &s;
        s.setSurface(&surf);
        qm::SessionTestAccess(s).setHaveDisplayList(true);
        qm::ColourTable colours{};
        qm::writeScheme(colours, qm::ColourScheme::Light);
        qm::SessionTestAccess(s).setColours(colours);
    }

    // Lines "line 0", "line 1", ... followed by the sentinels opening appends.
    static qm::Lines numberedText(int n) {
        qm::Lines lines;
        for (int i = 0; i < n; ++i)
            lines.push_back("     line " + std::to_string(i) + " ");
        lines.push_back("p999");
        lines.push_back("        END OF FILE");
        lines.push_back(" ");
        return lines;
    }

    // The text drawn in the row at this y, segments joined.
    std::string rowText(int y, int minX = 0) const {
        std::string text;
        for (const auto& t : surf.texts)
            if (t.y == y && t.x >= minX) text += t.text;
        return text;
    }
    std::vector<qm::FakeSurface::Text> textsAt(int y) const {
        std::vector<qm::FakeSurface::Text> out;
        for (const auto& t : surf.texts)
            if (t.y == y) out.push_back(t);
        return out;
    }
    qm::Color slot(int shade, int index) const {
        return s.colours()[static_cast<std::size_t>(shade)][static_cast<std::size_t>(index)];
    }

    View view;
    qm::MemoryFileSystem fs;
    qmtest::FixedPlatform platform;
    qm::Session s{view, fs, platform};
    qm::FakeSurface surf{800, 600};
};

} // namespace qmview
