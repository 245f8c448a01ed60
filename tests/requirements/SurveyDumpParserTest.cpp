// The kernel's channel survey read from raw netlink bytes: noise present and
// absent, the in-use flag, and attributes that are cut short or wrong.

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "SurveyDumpMessages.h"
#include "sources/wifi/Nl80211SurveyParser.h"

namespace {

using namespace scandump;
using namespace surveydump;
using State = Nl80211SurveyDumpParser::State;

constexpr auto Parse = scandump::Parse<Nl80211SurveyDumpParser>;

std::string Describe(const KernelSurveyEntry& e) {
    return std::to_string(e.frequencyMhz) +
           (e.hasNoise ? " noise " + std::to_string(e.noiseDbm) : " no noise") +
           (e.inUse ? " in use" : "") + (e.hasTime ? " t" + std::to_string(e.timeMs) : "") +
           (e.hasTimeBusy ? " b" + std::to_string(e.timeBusyMs) : "");
}

TEST(SurveyDumpParserTest, EntriesWithAndWithoutNoiseAndTheChannelInUse) {
    const Survey inUse{5180, static_cast<uint8_t>(-101), true, 1000, 250};
    const Survey quiet{5955, std::nullopt, false, std::nullopt, std::nullopt};
    const Nl80211SurveyDumpParser p =
        Parse({SurveyEntry(SurveyNest({})),
               Cat(SurveyEntry(SurveyNest(inUse)), SurveyEntry(SurveyNest(quiet))), Done()});
    ASSERT_EQ(p.GetState(), State::kDone);
    EXPECT_EQ(p.Dropped(), 0u);
    EXPECT_FALSE(p.Interrupted());
    std::vector<std::string> got;
    for (const KernelSurveyEntry& e : p.Entries()) got.push_back(Describe(e));
    EXPECT_EQ(got,
              (std::vector<std::string>{"2437 noise -92 t1000 b250",
                                        "5180 noise -101 in use t1000 b250", "5955 no noise"}));
}

TEST(SurveyDumpParserTest, AGarbledEntryIsDroppedOnItsOwn) {
    const auto with = [](uint16_t type, const Bytes& payload) {
        return SurveyEntry(Cat(SurveyNest({}), Attr(type, payload)));
    };
    const Bytes cut =
        Cat(SurveyNest({}), Cat(Value<uint16_t>(40), Value<uint16_t>(NL80211_SURVEY_INFO_NOISE)));
    Bytes withoutFrequency = SurveyNest({});
    withoutFrequency.erase(withoutFrequency.begin(), withoutFrequency.begin() + 8);
    const Bytes bad[] = {
        SurveyEntry(cut),
        SurveyEntry(withoutFrequency),
        with(NL80211_SURVEY_INFO_FREQUENCY, {1, 2}),
        with(NL80211_SURVEY_INFO_NOISE, {1, 2}),
        with(NL80211_SURVEY_INFO_IN_USE, {1}),
        with(NL80211_SURVEY_INFO_TIME, {1, 2, 3, 4}),
        with(NL80211_SURVEY_INFO_TIME_BUSY, {}),
        SurveyEntry(Cat(SurveyNest({}), {3, 0, 0, 0})),  // shorter than its header
    };
    const Survey good{2412, static_cast<uint8_t>(-92), false, 1000, 250};
    for (const Bytes& entry : bad) {
        const Nl80211SurveyDumpParser p =
            Parse({Cat(Cat(entry, SurveyEntry(SurveyNest(good))), Done())});
        EXPECT_EQ(p.GetState(), State::kDone);
        ASSERT_EQ(p.Entries().size(), 1u);
        EXPECT_EQ(p.Entries()[0].frequencyMhz, 2412u);
        EXPECT_EQ(p.Dropped(), 1u);
    }
}

TEST(SurveyDumpParserTest, ErrorsEndsAndCutsAreNeverTakenForAWholeSurvey) {
    EXPECT_EQ(Parse({Error(-ENODEV)}).ErrorCode(), ENODEV);
    EXPECT_EQ(Parse({SurveyEntry(SurveyNest({})), Done(-EBUSY)}).GetState(), State::kFailed);
    EXPECT_TRUE(
        Parse({SurveyEntry(SurveyNest({}), NLM_F_MULTI | NLM_F_DUMP_INTR), Done()}).Interrupted());
    EXPECT_EQ(Parse({Cat(Done(), SurveyEntry(SurveyNest({})))}).Entries().size(), 0u);
    const Bytes whole = Cat(Cat(SurveyEntry(SurveyNest({})), SurveyEntry(SurveyNest({}))), Done());
    for (size_t n = 0; n < whole.size(); ++n) {
        const Nl80211SurveyDumpParser p = Parse({Bytes(whole.begin(), whole.begin() + n)});
        EXPECT_NE(p.GetState(), State::kDone) << n;
        EXPECT_LE(p.Entries().size(), 2u);
    }
}

}  // namespace
