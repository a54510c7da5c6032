#include "sheet/engine/SharedTexts.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

using sheet::SharedTexts;

// Many texts coming and going, against a map of what is held: each equal text shares one id, every id reads its own
// text, and released texts are found no more (their slots in the index are given back in a way that keeps every
// other text findable).
TEST(SharedTextsTest, AgreesWithAMapOfHeldTexts)
{
    std::mt19937 random(11);
    SharedTexts texts;
    std::map<std::string, std::pair<SharedTexts::Id, int>> model; // text -> id, holders
    for (int step = 0; step < 200'000; ++step) {
        const std::string text =
            "a text longer than a short one #" + std::to_string(random() % 3000) + std::string(random() % 3, '~');
        const auto found = model.find(text);
        if (random() % 2 == 0 || found == model.end()) {
            const SharedTexts::Id id = texts.add(text);
            if (found != model.end()) {
                ASSERT_EQ(id, found->second.first) << text << " at step " << step;
                ++found->second.second;
            } else {
                model[text] = {id, 1};
            }
        } else {
            texts.release(found->second.first);
            if (--found->second.second == 0)
                model.erase(found);
        }
        if (step % 1000 == 0) {
            std::size_t bytes = 0;
            for (const auto& [held, entry] : model) {
                ASSERT_EQ(texts.text(entry.first), held) << "step " << step;
                bytes += held.size();
            }
            ASSERT_EQ(texts.count(), model.size());
            ASSERT_EQ(texts.bytes(), bytes);
        }
    }
    for (const auto& [held, entry] : model)
        for (int i = 0; i < entry.second; ++i)
            texts.release(entry.first);
    EXPECT_EQ(texts.count(), 0u);
    EXPECT_EQ(texts.bytes(), 0u);
}

// Short texts are not looked for, but are held and released all the same.
TEST(SharedTextsTest, ShortTextsAreHeldOnePerAddAndSharedByHolders)
{
    SharedTexts texts;
    const SharedTexts::Id first = texts.add("sixteen bytes...");
    const SharedTexts::Id second = texts.add("sixteen bytes...");
    EXPECT_NE(first, second);
    EXPECT_TRUE(texts.addHolder(first));
    texts.release(first);
    EXPECT_EQ(texts.text(first), "sixteen bytes...");
    EXPECT_EQ(texts.bytes(), 32u);
    texts.release(first);
    texts.release(second);
    EXPECT_EQ(texts.count(), 0u);
    EXPECT_EQ(texts.add("a text longer than sixteen"), texts.add("a text longer than sixteen"));
}

TEST(SharedTextsTest, ATextViewingAHeldOneIsFoundOrCopiedBeforeAnythingMoves)
{
    SharedTexts texts;
    std::vector<SharedTexts::Id> ids;
    for (int i = 0; i < 100; ++i)
        ids.push_back(texts.add("held text number " + std::to_string(i)));
    // Each add below may grow the index and the entries; the views must stay good throughout.
    for (int i = 0; i < 100; ++i) {
        const std::string_view held = texts.text(ids[static_cast<std::size_t>(i)]);
        EXPECT_EQ(texts.add(held), ids[static_cast<std::size_t>(i)]);
        const SharedTexts::Id part = texts.add(held.substr(5));
        EXPECT_EQ(texts.text(part), "text number " + std::to_string(i));
        const SharedTexts::Id tail = texts.add(texts.text(part).substr(5)); // short: copied into an entry
        EXPECT_EQ(texts.text(tail), "number " + std::to_string(i));
    }
    EXPECT_EQ(texts.count(), 300u);
}

} // namespace
