// Save Screen as Text File, Print Column and the Help menu's message.
#include "core/output/SaveScreen.h"
#include "core/shell/Session.h"

namespace qm {

// Companion files (the print-column program, the readme page) sit beside the executable. The
// program folder moves to a catalogue's folder when one is opened, so the executable's folder
// is used whenever it is known.
std::string Session::companionFolder() const {
    return m_exeFolderForPrograms.empty() ? m_loc.programFolder : m_exeFolderForPrograms;
}

void Session::SaveScreenItemClick() {
    const std::optional<std::string> path = m_view.chooseSaveFile("txt");
    if (!path) return;
    const Lines lines = saveScreenLines(displayLines(), m_topLine, m_nextTopLine);
    m_fs.writeFile(*path, joinLinesCrLf(lines));
}

void Session::PrintColButtonClick() {
    m_controls.setEnabled(Control::PrintColButton, false);
    m_controls.setVisible(Control::LoadingPrintColLabel, true);
    m_view.repaintNow(Control::LoadingPrintColLabel);
    // The path goes as one argument, never through a shell, so blanks, quotes and shell
    // characters in it arrive intact. With no text open the program gets no argument.
    std::vector<std::string> args;
    if (!m_currentTextPath.empty()) args.push_back(m_currentTextPath);
    m_platform.startDetached(companionFolder() + "prtcol", args);
    m_controls.setVisible(Control::LoadingPrintColLabel, false);
    m_controls.setEnabled(Control::PrintColButton, true);
}

void Session::HempMenuClick() {
    m_view.showMessage("The complete Readme/Help file is at:\r" + companionFolder() + "readme.htm");
}

} // namespace qm
