// A reload's index reaches every serving thread, and the replaced one is freed only when no
// thread holds it, by the loading thread.
#include "tools/category-server/portable/ServedIndex.h"

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

// Answers every URL with its name; counts the live ones.
class CNamedIndex : public CCategoryIndex {
public:
    CNamedIndex(std::string name, std::atomic<int>& nLive)
        : m_name(std::move(name)), m_nLive(nLive) {
        ++m_nLive;
    }
    ~CNamedIndex() override { --m_nLive; }
    CCategoryAnswer Lookup(std::string_view) const noexcept override { return {m_name, true}; }
    std::size_t EntryCount() const noexcept override { return 1; }
    std::size_t MemoryBytes() const noexcept override { return 0; }

private:
    std::string m_name;
    std::atomic<int>& m_nLive;
};

TEST(ServedIndexTest, ReadersTakeTheNewIndexAndTheOldGoesWhenNoneHoldsIt) {
    std::atomic<int> nLive{0};
    CServedIndex served(std::make_shared<CNamedIndex>("one", nLive));
    CServedIndex::CReader first(served);
    CServedIndex::CReader second(served);
    EXPECT_EQ(first.Get().Lookup("x").category, "one");

    served.Publish(std::make_shared<CNamedIndex>("two", nLive));
    EXPECT_EQ(first.Get().Lookup("x").category, "two");
    EXPECT_EQ(nLive, 2);
    EXPECT_EQ(served.ReleaseRetired(), 1U);  // the second reader still holds "one"
    EXPECT_EQ(nLive, 2);
    second.Refresh();
    EXPECT_EQ(nLive, 2);  // a reader never frees an index itself
    EXPECT_EQ(served.ReleaseRetired(), 0U);
    EXPECT_EQ(nLive, 1);
    EXPECT_EQ(second.Get().Lookup("x").category, "two");
}

TEST(ServedIndexTest, LookupsDuringPublishesAlwaysFindAnIndex) {
    std::atomic<int> nLive{0};
    CServedIndex served(std::make_shared<CNamedIndex>("0", nLive));
    std::atomic<bool> bStop{false};
    std::atomic<int> nEmpty{0};
    std::vector<std::thread> readers;
    for (int i = 0; i < 3; ++i) {
        readers.emplace_back([&] {
            CServedIndex::CReader reader(served);
            while (!bStop) {
                if (reader.Get().Lookup("x").category.empty()) {
                    ++nEmpty;
                }
            }
        });
    }
    for (int i = 1; i <= 200; ++i) {
        served.Publish(std::make_shared<CNamedIndex>(std::to_string(i), nLive));
        served.ReleaseRetired();
    }
    bStop = true;
    for (std::thread& reader : readers) {
        reader.join();
    }
    EXPECT_EQ(nEmpty, 0);
    EXPECT_EQ(served.ReleaseRetired(), 0U);
    EXPECT_EQ(nLive, 1);
}

}  // namespace
