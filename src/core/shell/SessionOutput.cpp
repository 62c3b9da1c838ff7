// Save Screen as Text File, Print Column and the Help menu's message.
#include "core/output/SaveScreen.h"
#include "core/shell/Session.h"

namespace qm {

namespace {

// Companion files (the print-column program, the readme page) sit beside the executable. The
// program folder moves to a catalogue's folder when one is opened, so the executable's folder
// is used whenever it is known.
std::string companionFolder(const Session& s) {
    return s.exeFolderForPrograms.empty() ? s.loc.programFolder : s.exeFolderForPrograms;
}

} // namespace

void Session::SaveScreenItemClick() {
    const std::optional<std::string> path = view.chooseSaveFile("txt");
    if (!path) return;
    const Lines lines = saveScreenLines(displayLines, topLine, nextTopLine);
    fs.writeFile(*path, joinLinesCrLf(lines));
}

void Session::PrintColButtonClick() {
    controls.setEnabled(Control::PrintColButton, false);
    controls.setVisible(Control::LoadingPrintColLabel, true);
    view.repaintNow(Control::LoadingPrintColLabel);
    // The path goes as one argument, never through a shell, so blanks, quotes and shell
    // characters in it arrive intact. With no text open the program gets no argument.
    std::vector<std::string> args;
    if (!currentTextPath.empty()) args.push_back(currentTextPath);
    platform.startDetached(companionFolder(*this) + "prtcol", args);
    controls.setVisible(Control::LoadingPrintColLabel, false);
    controls.setEnabled(Control::PrintColButton, true);
}

void Session::HempMenuClick() {
    view.showMessage("The complete Readme/Help file is at:\r" + companionFolder(*this) +
                     "readme.htm");
}

} // namespace qm
