#pragma once
// The small tree types shared by the rules and the ports: trees kept as flat lists in display
// order (every parent before its children), each node naming its parent by its index in the
// same list, or -1 for a top-level node.
#include <string>
#include <vector>

namespace qm {

// A node of the contents tree.
struct TreeNode {
    std::string text;
    int parent = -1;
};
using Tree = std::vector<TreeNode>;

// One node of the word index tree: level 0 is the root "Index", 1 a letter, 2 a word, 3 a
// reference.
struct IndexNode {
    std::string text;
    int level = 0;
    int parent = -1;
};

} // namespace qm
