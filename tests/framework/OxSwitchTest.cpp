#include "framework/OxSwitch.h"

#include <gtest/gtest.h>

#include "framework/CheckAction.h"
#include "framework/OxActionList.h"
#include "framework/ValueActions.h"

namespace tavrel {
namespace {

class Switches : public ::testing::Test {
  protected:
    void SetUp() override {
        a = list.Create<TCheckAction>("caA");
        a->SetSwitch("a");
        b = list.Create<TCheckAction>("caB");
        b->SetSwitch("b");
        b->SetChecked(true);
        n = list.Create<TIntegerAction>("iaN");
        n->SetSwitch("n");
        a->Events().OnAfterTrueApply = [this] { order << "a"; };
        b->Events().OnAfterFalseApply = [this] { order << "b"; };
        n->Events().OnAfterApply = [this](const std::int32_t&) { order << "n"; };
        sw.SetOnQuit([this] { ++quits; });
        list.SetSwitch(&sw);
    }
    QStringList Run(const QStringList& args) {
        order.clear();
        sw.ClearEntries();
        sw.Parse(args);
        sw.RunEntries();
        return order;
    }
    TOxSwitch sw;
    TOxActionList list;
    TCheckAction* a = nullptr;
    TCheckAction* b = nullptr;
    TIntegerAction* n = nullptr;
    QStringList order;
    int quits = 0;
};

TEST_F(Switches, SetClearAndValueInOrder) {
    EXPECT_EQ(Run({"+a", "-b", "/n=2"}), (QStringList{"a", "b", "n"}));
    EXPECT_TRUE(a->Checked());
    EXPECT_FALSE(b->Checked());
    EXPECT_EQ(n->Value(), 2);
    ASSERT_EQ(sw.Entries().size(), 3u);
    EXPECT_EQ(sw.Entries()[0].Mode, TSwitchMode::Set);
    EXPECT_EQ(sw.Entries()[1].Mode, TSwitchMode::Clear);
    EXPECT_EQ(sw.Entries()[2].Mode, TSwitchMode::Toggle);
    EXPECT_EQ(sw.Entries()[2].Value, "2");

    // Names ignore case; a slash toggles a check action; a value after "="
    // may hold another "=".
    Run({"/N=7", "/A"});
    EXPECT_EQ(n->Value(), 7);
    EXPECT_FALSE(a->Checked());
    Run({"/n=3=4"});
    EXPECT_EQ(n->Value(), -1) << "\"3=4\" is not an integer";
    EXPECT_EQ(quits, 0);
}

TEST_F(Switches, PlainParametersAndUnknownNamesGoToTheDefaultAction) {
    Run({"video.avi", "/inconnu=5", "+"});
    EXPECT_TRUE(sw.Entries().empty()) << "no default action: nothing";

    auto* open = list.Create<TWStringsAction>("saOpen");
    sw.SetDefaultAction(open);
    Run({"video.avi", "/inconnu=a,b"});
    ASSERT_EQ(sw.Entries().size(), 2u);
    EXPECT_EQ(sw.Entries()[0].Mode, TSwitchMode::Plain);
    EXPECT_EQ(sw.Entries()[0].Value, "video.avi");
    EXPECT_EQ(open->Value(), (QStringList{"a", "b"}));
}

TEST_F(Switches, QuitClosesOnlyAfterOtherEntries) {
    Run({"/quit"});
    EXPECT_TRUE(sw.Entries().empty());
    EXPECT_TRUE(sw.QuitRequested());
    EXPECT_EQ(quits, 0) << "a quit switch alone closes nothing";
    Run({"+a", "/QUIT"});
    EXPECT_EQ(quits, 1);
}

TEST_F(Switches, DisabledActionsAreSkipped) {
    n->setEnabled(false);
    EXPECT_EQ(Run({"/n=5", "+a"}), QStringList{"a"});
    EXPECT_EQ(n->Value(), 0);
}

TEST_F(Switches, AnEmptyNameTableSelectsNothing) {
    TOxSwitch empty;
    empty.SetDefaultAction(n);
    empty.Parse({"+a", "x", "/quit"});
    EXPECT_TRUE(empty.Entries().empty());
    EXPECT_FALSE(empty.QuitRequested());
}

TEST_F(Switches, ListsLeaveTheirSwitch) {
    TOxSwitch other;
    list.SetSwitch(&other);
    EXPECT_EQ(sw.Lookup("a"), nullptr);
    EXPECT_EQ(other.Lookup("A"), a);
    // Two actions under one name: the first entered wins.
    TOxActionList second;
    auto* twin = second.Create<TCheckAction>("caTwin");
    twin->SetSwitch("a");
    second.SetSwitch(&other);
    EXPECT_EQ(other.Lookup("a"), a);
    list.SetSwitch(nullptr);
    EXPECT_EQ(other.Lookup("a"), twin);
}

TEST_F(Switches, TheFirstActivationRunsTheCommandLineOnce) {
    int activations = 0, none = 0;
    bool executingSeen = false;
    sw.SetOnActivate([&] { ++activations; });
    sw.SetOnNoCommandLine([&] { ++none; });
    a->Events().OnAfterTrueApply = [&] { executingSeen = sw.Executing(); };
    sw.SetArguments({"+a"});
    sw.Activate();
    EXPECT_TRUE(a->Checked());
    EXPECT_TRUE(executingSeen);
    EXPECT_FALSE(sw.Executing());
    EXPECT_TRUE(sw.Entries().empty());
    a->SetChecked(false);
    sw.Activate();
    EXPECT_FALSE(a->Checked()) << "the command line runs once";
    EXPECT_EQ(activations, 2);
    EXPECT_EQ(none, 0);

    TOxSwitch fresh;
    fresh.SetOnNoCommandLine([&] { ++none; });
    fresh.SetArguments({});
    fresh.Activate();
    EXPECT_EQ(none, 1);
}

}  // namespace
}  // namespace tavrel
