// Disjoint sets of device indexes (union-find), for the cabling plans and
// the parts a failure leaves.
#ifndef TOPOPLAN_CORE_DISJOINT_SETS_H_
#define TOPOPLAN_CORE_DISJOINT_SETS_H_

#include <numeric>
#include <vector>

class DisjointSets {
 public:
  // `count` sets of one element each, 0 to count - 1.
  explicit DisjointSets(int count) : parent_(static_cast<size_t>(count)) {
    std::iota(parent_.begin(), parent_.end(), 0);
  }

  // The representative of x's set; halves the path it walks.
  int find(int x) {
    while (parent_[static_cast<size_t>(x)] != x) {
      const int grandparent =
          parent_[static_cast<size_t>(parent_[static_cast<size_t>(x)])];
      parent_[static_cast<size_t>(x)] = grandparent;
      x = grandparent;
    }
    return x;
  }

  // Joins the sets of a and b: a's representative goes under b's. False,
  // and nothing changes, when they are one set already.
  bool join(int a, int b) {
    const int rootA = find(a);
    const int rootB = find(b);
    if (rootA == rootB) return false;
    parent_[static_cast<size_t>(rootA)] = rootB;
    return true;
  }

 private:
  std::vector<int> parent_;
};

#endif  // TOPOPLAN_CORE_DISJOINT_SETS_H_
