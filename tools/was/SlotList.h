// Many frame slots told in one short phrase, for reports that would
// otherwise take a line a frame.
#ifndef KESTO_TOOLS_WAS_SLOTLIST_H
#define KESTO_TOOLS_WAS_SLOTLIST_H

#include <string>
#include <vector>

namespace kes::was::tool {

// At most this many groups (or runs of groups alike) are spelled out; the
// rest are counted.
constexpr size_t kSlotClausesShown = 6;

// "group 0: frames 1, 3-5; groups 2-3: frame 0" for `slots` (group-major
// slot numbers in ascending order, `framesPerGroup` to a group): runs of
// frames become ranges, and neighbouring groups with the same frames one
// clause.
std::string DescribeSlots(const std::vector<int>& slots, int framesPerGroup);

} // namespace kes::was::tool

#endif
