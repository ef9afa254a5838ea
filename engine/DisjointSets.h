// Disjoint sets of 0..n-1 (union-find with path halving): which faces a set of folds has made one part.
#pragma once

#include <numeric>
#include <vector>

namespace tsm {

class DisjointSets {
public:
    explicit DisjointSets(size_t n) : root_(n) { std::iota(root_.begin(), root_.end(), 0); }
    int Find(int x) {
        while (root_[x] != x) x = root_[x] = root_[root_[x]];
        return x;
    }
    // Makes one set of a's and b's; false where they were one already.
    bool Join(int a, int b) {
        a = Find(a), b = Find(b);
        if (a == b) return false;
        root_[a] = b;
        return true;
    }

private:
    std::vector<int> root_;
};

} // namespace tsm
