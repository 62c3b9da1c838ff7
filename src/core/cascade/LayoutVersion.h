#pragma once
// The version of the cascader's layout. A stored book remembers the version it was laid out
// with; raise this whenever the same text would come out in other lines, so a reader can
// offer to lay its books out again (their bookmarks then move to the same words).
namespace qm::cascade {

inline constexpr int kLayoutVersion = 10;

} // namespace qm::cascade
