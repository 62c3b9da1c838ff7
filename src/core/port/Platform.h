#pragma once
// System values and services the core needs from the platform: the screen size, the local
// date and time as text, and starting another program.
#include <string>
#include <vector>

namespace qm {

class Platform {
public:
    virtual ~Platform() = default;
    virtual int screenWidth() const { return 1920; }
    virtual int screenHeight() const { return 1080; }
    // The local date and time in the locale's short date and long time forms.
    virtual std::string localDateTimeText() const = 0;
    // Starts a program detached with these arguments (no shell); false when it cannot start.
    virtual bool startDetached(const std::string& program,
                               const std::vector<std::string>& args) = 0;
};

} // namespace qm
