// A grammar model file of any bytes through the loader, and a sentence through whatever it
// accepts. The last 8 bytes are replaced by the right checksum, so the loader's structure
// checks are reached and not only the checksum (whose refusals the unit tests cover).
#include "core/base/Error.h"
#include "core/grammar/Grammar.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    if (bytes.size() >= 8) {
        bytes.resize(bytes.size() - 8);
        qm::grammar::ByteWriter tail;
        const std::uint64_t sum = qm::grammar::checksum(bytes);
        tail.u32(static_cast<std::uint32_t>(sum));
        tail.u32(static_cast<std::uint32_t>(sum >> 32));
        bytes += tail.data();
    }
    try {
        const auto g = qm::grammar::Grammar::fromBytes(bytes);
        qm::grammar::Sentence words;
        g->parse("The old man gave the boy a book about the sea.", words);
        for (const auto& w : words)
            if (w.head > words.size()) __builtin_trap();
    } catch (const qm::UserError&) {
    }
    return 0;
}
