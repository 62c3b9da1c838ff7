#pragma once
// The platform's system values for the core: screen size, local date and time, and starting
// a program detached with an argument list (never through a shell).
#include "core/port/Platform.h"

namespace qm {

class QtPlatform : public Platform {
public:
    int screenWidth() const override;
    int screenHeight() const override;
    std::string localDateTimeText() const override;
    bool startDetached(const std::string& program, const std::vector<std::string>& args) override;
};

} // namespace qm
