// Scene texts mutated at random from valid ones, as a careless editor, a broken disk or a hostile
// sender would leave them.
#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <random>
#include <string>

namespace zelfuzz {

class SceneMutator {
public:
    explicit SceneMutator(std::mt19937& random) : random_(random) {}

    // From 0 to n - 1; n is at least 1.
    std::size_t below(std::size_t n);

    // A byte flipped, a token inserted, bytes deleted or repeated.
    void mutateText(std::string& text);

    // A value replaced by one of another type or out of range or wrapped in a list or keyframes,
    // or a key dropped, renamed or given twice. Returns the text.
    std::string mutateJson(nlohmann::ordered_json document);

    // One to three mutations of `seed`, a valid scene's text, of either kind.
    std::string mutate(const std::string& seed);

private:
    template <typename T>
    const T& pick(const std::vector<T>& list)
    {
        return list[below(list.size())];
    }

    std::mt19937& random_;
};

}  // namespace zelfuzz
