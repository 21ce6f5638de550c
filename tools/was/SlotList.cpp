#include "SlotList.h"

#include <map>

namespace kes::was::tool {
namespace {

// "1, 3-5" for frames 1, 3, 4, 5; `many` says whether there is more than one.
std::string Ranges(const std::vector<int>& numbers, bool* many)
{
    std::string text;
    for (size_t i = 0; i < numbers.size();) {
        size_t j = i;
        while (j + 1 < numbers.size() && numbers[j + 1] == numbers[j] + 1) ++j;
        text += (text.empty() ? "" : ", ") + std::to_string(numbers[i]);
        if (j > i) text += "-" + std::to_string(numbers[j]);
        i = j + 1;
    }
    *many = numbers.size() > 1;
    return text;
}

} // namespace

std::string DescribeSlots(const std::vector<int>& slots, int framesPerGroup)
{
    if (framesPerGroup < 1) return std::string();
    std::map<int, std::vector<int>> byGroup;
    for (int slot : slots) byGroup[slot / framesPerGroup].push_back(slot % framesPerGroup);

    std::string text;
    size_t clauses = 0, groupsLeft = byGroup.size();
    for (auto it = byGroup.begin(); it != byGroup.end();) {
        auto last = it;
        while (std::next(last) != byGroup.end() && std::next(last)->first == last->first + 1 &&
               std::next(last)->second == it->second)
            ++last;
        if (clauses == kSlotClausesShown) {
            text += "; and " + std::to_string(groupsLeft) + (groupsLeft == 1 ? " more group" : " more groups");
            break;
        }
        bool manyFrames = false;
        const std::string frames = Ranges(it->second, &manyFrames);
        const bool manyGroups = last != it;
        text += (text.empty() ? "" : "; ") + std::string(manyGroups ? "groups " : "group ") +
                std::to_string(it->first) + (manyGroups ? "-" + std::to_string(last->first) : "") +
                (manyFrames ? ": frames " : ": frame ") + frames;
        ++clauses;
        groupsLeft -= size_t(std::distance(it, last)) + 1;
        it = std::next(last);
    }
    return text;
}

} // namespace kes::was::tool
