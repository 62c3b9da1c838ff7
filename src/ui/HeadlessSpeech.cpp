#include "ui/HeadlessSpeech.h"

#include "ui/SpeechDispatcher.h"

#include <QEventLoop>
#include <QTimer>

#include <ostream>

namespace qm {

bool readAloudHeadless(Session& session, int lines, std::ostream& out,
                       const std::function<int()>& messagesShown) {
    const int messagesBefore = messagesShown();
    SpeechDispatcher engine(
        [&session](const std::function<void()>& handler) { return session.run(handler); });
    session.setSpeechEngine(&engine);
    QEventLoop loop;
    int lit = 0;
    session.setSpeechListener([&](const Session::SpeechNote& note) {
        using Kind = Session::SpeechNote::Kind;
        if (note.kind == Kind::Stopped) {
            loop.quit();
        } else if (note.kind != Kind::Reached && lit < lines) {
            out << (note.kind == Kind::Lit ? "lit " : "turned ") << note.line << '\n';
            out.flush();
            // Stopped from the event loop, once the voice has handed over the line.
            if (note.kind == Kind::Lit && ++lit == lines)
                QTimer::singleShot(0, &loop, [&session] {
                    session.run([&session] { session.ReadAloudStopItemClick(); });
                });
        }
    });
    session.run([&session] { session.ReadAloudStartItemClick(); });
    if (session.readingAloud()) loop.exec();
    session.setSpeechListener({});
    session.setSpeechEngine(nullptr);
    return messagesShown() == messagesBefore;
}

} // namespace qm
