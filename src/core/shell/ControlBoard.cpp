#include "core/shell/ControlBoard.h"

namespace qm {

ControlBoard::ControlBoard(ViewPort& view)
    : m_view(view) {
    // The design-time state of the window's controls.
    at(Control::NextButton).enabled = false;
    at(Control::FontSizeLabel).text = "FontSize = 15";
    at(Control::FontSizeTrackBar).position = 15;
    at(Control::FontSizeUpDown).position = 4;
    at(Control::BGColorRadioGroup).position = 0;
    at(Control::ShowControlPanelItem).visible = false;
    at(Control::LoadingPrintColLabel).visible = false;
    at(Control::LoadingIndexLabel).visible = false;
    at(Control::SearchingIndexLabel).visible = false;
    at(Control::InxTreeView).visible = false;
}

void ControlBoard::setEnabled(Control c, bool on) {
    at(c).enabled = on;
    m_view.setEnabled(c, on);
}
void ControlBoard::setVisible(Control c, bool on) {
    at(c).visible = on;
    m_view.setVisible(c, on);
}
void ControlBoard::setText(Control c, const std::string& text) {
    at(c).text = text;
    m_view.setText(c, text);
}
void ControlBoard::setChecked(Control c, bool on) {
    at(c).checked = on;
    m_view.setChecked(c, on);
}
void ControlBoard::setPosition(Control c, int position) {
    at(c).position = position;
    m_view.setPosition(c, position);
}

} // namespace qm
