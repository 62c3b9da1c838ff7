// Reading aloud: the Read Aloud commands, the lit line on the page, the voice following the
// reader's moves, and the voice's settings in their own section of the settings file.
#include "core/base/Error.h"
#include "core/settings/IniDocument.h"
#include "core/shell/Session.h"
#include "core/speech/ReadAloud.h"
#include "core/view/PageRenderer.h"

#include <algorithm>

namespace qm {

// What reading aloud asks of the session: the text, the page, drawing the lit line.
class Session::SpeechHost final : public speech::ReadingHost {
public:
    explicit SpeechHost(Session& session)
        : m_s(session) {}

    const LineBuffer& lines() const override { return m_s.displayLines(); }
    bool textStillOpen() const override {
        return m_s.m_displayLines.version() == m_s.m_readingLinesVersion;
    }
    int pageTop() const override { return m_s.m_topLine; }
    int pageEnd() const override { return m_s.m_nextTopLine; }
    void reached(int line) override { m_s.note(SpeechNote::Kind::Reached, line); }
    void turnPage(int litLine) override {
        m_s.m_litLine = litLine;
        m_s.m_speechTurning = true;
        const bool ok = m_s.run([this] { m_s.ShowNextPage(); });
        m_s.m_speechTurning = false;
        if (ok) m_s.note(SpeechNote::Kind::Turned, m_s.m_topLine);
    }
    void light(int line) override {
        m_s.lightLine(line);
        if (line >= 0) m_s.note(SpeechNote::Kind::Lit, line);
    }
    void tell(const std::string& message) override { m_s.m_view.showMessage(message); }
    void readingStopped() override { m_s.note(SpeechNote::Kind::Stopped, -1); }

private:
    Session& m_s;
};

Session::~Session() {
    stopReadingAloud();
}

void Session::stopReadingAloud() {
    if (m_readAloud) m_readAloud->shutDown();
}

void Session::note(SpeechNote::Kind kind, int line) {
    if (m_speechListener) m_speechListener({kind, line});
}

void Session::setSpeechEngine(speech::SpeechEngine* engine) {
    if (m_readAloud) m_readAloud->shutDown();
    m_readAloud.reset();
    lightLine(-1);
    if (!engine) return;
    if (!m_speechHost) m_speechHost = std::make_unique<SpeechHost>(*this);
    m_readAloud = std::make_unique<speech::ReadAloud>(*engine, *m_speechHost);
    m_readAloud->setSettings(m_speechSettings);
}

bool Session::readingAloud() const {
    return m_readAloud && m_readAloud->reading();
}

// Reading aloud needs an engine and the service behind it; without, the user is told.
bool Session::speechReady() {
    if (!m_readAloud) {
        m_view.showMessage(
            speech::ReadAloud::noServiceMessage("this reader was built without one"));
        return false;
    }
    return m_readAloud->connect();
}

void Session::ReadAloudStartItemClick() {
    if (!speechReady()) return;
    m_readingLinesVersion = m_displayLines.version();
    m_readAloud->startOrPause(m_topLine);
}

void Session::ReadAloudStopItemClick() {
    if (m_readAloud) m_readAloud->stop();
}

void Session::ReadAloudFasterItemClick() {
    speech::SpeechSettings s = m_speechSettings;
    s.rate = speech::steppedRate(s, 1);
    changeSpeechSettings(s);
}

void Session::ReadAloudSlowerItemClick() {
    speech::SpeechSettings s = m_speechSettings;
    s.rate = speech::steppedRate(s, -1);
    changeSpeechSettings(s);
}

void Session::ReadAloudVoiceItemClick() {
    if (!speechReady()) return;
    speech::SpeechEngine* engine = m_readAloud ? &m_readAloud->engine() : nullptr;
    const VoiceChoice current{m_speechSettings.voice, m_speechSettings.pitch.value_or(0),
                              m_speechSettings.volume.value_or(100)};
    const std::optional<VoiceChoice> chosen =
        m_view.chooseVoice([engine] { return engine->voices(); }, current);
    if (!chosen) return;
    speech::SpeechSettings s = m_speechSettings;
    s.voice = chosen->voice;
    // A value the user leaves as it was stays the service's own.
    if (s.pitch || chosen->pitch != current.pitch) s.pitch = std::clamp(chosen->pitch, -100, 100);
    if (s.volume || chosen->volume != current.volume)
        s.volume = std::clamp(chosen->volume, -100, 100);
    changeSpeechSettings(s);
}

void Session::ReadingPageClick(int x, int y) {
    if (!readingAloud()) return;
    const int line = lineAt(x, y);
    if (line < 0) return;
    m_readAloud->readFrom(line);
}

void Session::ReadingPageDblClick(int x, int y) {
    const int line = lineAt(x, y);
    if (line < 0 || !speechReady()) return;
    m_readingLinesVersion = m_displayLines.version();
    m_readAloud->readFrom(line);
}

int Session::lineAt(int x, int y) const {
    return lineAtPoint(m_pageRows, x, y);
}

bool Session::sameBand(const PreparedPage& page, int litLine) {
    const auto onPage = [&page](int line) { return line >= page.inputs.top && line < page.next; };
    return onPage(page.litLine) ? page.litLine == litLine : !onPage(litLine);
}

bool Session::speechFollowsMove(int top) {
    if (!readingAloud()) return false;
    if (m_displayLines.version() != m_readingLinesVersion) {
        // Another text took the page's place: what was read is gone.
        m_litLine = -1;
        m_readAloud->stop();
        return false;
    }
    if (top == m_topLine || m_speechTurning) return false;
    m_litLine = -1; // no band of the page left behind on the new one
    return true;
}

void Session::moveSpeechTo(int top) {
    if (m_readAloud) m_readAloud->pageMoved(top);
}

void Session::lightLine(int line) {
    const int old = std::exchange(m_litLine, line);
    const auto onPage = [this](int l) { return l >= 0 && l >= m_topLine && l < m_nextTopLine; };
    if (old != line && (onPage(old) || onPage(line))) repaintPage(old, line);
}

// The page on screen drawn again from the state its drawing began in, so that only the band
// changes: the shade, the font and the page's end come out as before. The window is told
// which rows changed, so that it shows those again and nothing else.
void Session::repaintPage(int oldLit, int newLit) {
    if (!m_surface || !m_haveDisplayList) return;
    if (m_topLine < 0 || m_topLine >= lineCount(displayLines()) - 2) return;
    m_surface->setDrawingState(m_pageStartState);
    int shade = m_pageStartShade;
    PageResult result = renderPage(*m_surface, pageRequest(m_topLine), shade);
    m_surface->flush();
    m_currentShade = shade;
    const bool sameRows = result.rows == m_pageRows;
    m_pageRows = std::move(result.rows);
    const std::vector<Rect> parts = bandRows(m_pageRows, {oldLit, newLit}, m_surface->width());
    if (sameRows && !parts.empty())
        m_view.pagePartsDrawn(parts);
    else
        m_view.pageDrawn();
}

std::vector<Rect> Session::bandRows(const std::vector<PageRow>& rows, std::array<int, 2> lines,
                                    int width) {
    std::vector<Rect> parts;
    for (const PageRow& row : rows)
        if (row.line == lines[0] || row.line == lines[1])
            parts.push_back({0, row.top, width, row.bottom - row.top});
    return parts;
}

// ---- Settings ----

void Session::applySpeechSettings(const IniDocument& ini) {
    m_speechSettings = speech::readSpeechSettings(ini, m_speechSettings);
    if (m_readAloud) m_readAloud->setSettings(m_speechSettings);
    // Settings carried over from another collection's file are kept in this one too, so
    // they are there at the next start.
    IniDocument kept = ini;
    speech::writeSpeechSettings(kept, m_speechSettings);
    if (kept.bytes() != ini.bytes() && !m_loc.settingsFile.empty()) saveSpeechSettings();
}

void Session::changeSpeechSettings(const speech::SpeechSettings& settings) {
    m_speechSettings = settings;
    if (m_readAloud) m_readAloud->setSettings(settings);
    saveSpeechSettings();
}

// Each change of the voice reaches the settings file at once, in one safe write that leaves
// every other line as it stands.
void Session::saveSpeechSettings() {
    const std::string& path = m_loc.settingsFile;
    if (path.empty()) return;
    const std::optional<std::string> old = m_fs.readBeforeReplacing(path);
    IniDocument ini(old.value_or(std::string()));
    speech::writeSpeechSettings(ini, m_speechSettings);
    if (old && *old == ini.bytes()) return;
    try {
        m_fs.writeFile(path, ini.bytes());
    } catch (const UserError&) {
        throw UserError(unableToWriteMessage(path));
    }
}

} // namespace qm
