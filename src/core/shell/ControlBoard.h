#pragma once
// The core's copy of the window's control state (checked, position, enabled, visible, text).
// Rules read the state from here, so every sequence runs headless; each change is mirrored
// to the view port at once.
#include "core/port/ViewPort.h"

#include <array>
#include <string>

namespace qm {

class ControlBoard {
public:
    explicit ControlBoard(ViewPort& view);

    void setEnabled(Control c, bool on);
    bool enabled(Control c) const { return m_state[index(c)].enabled; }
    void setVisible(Control c, bool on);
    bool visible(Control c) const { return m_state[index(c)].visible; }
    void setText(Control c, const std::string& text);
    const std::string& text(Control c) const { return m_state[index(c)].text; }
    void setChecked(Control c, bool on);
    bool checked(Control c) const { return m_state[index(c)].checked; }
    void setPosition(Control c, int position);
    int position(Control c) const { return m_state[index(c)].position; }

private:
    struct State {
        bool enabled = true;
        bool visible = true;
        bool checked = false;
        int position = 0;
        std::string text;
    };
    static std::size_t index(Control c) { return static_cast<std::size_t>(c); }
    State& at(Control c) { return m_state[index(c)]; }

    ViewPort& m_view;
    std::array<State, static_cast<std::size_t>(Control::Count)> m_state{};
};

} // namespace qm
