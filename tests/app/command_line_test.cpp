#include <gtest/gtest.h>

#include <vector>

#include "app/command_line.h"
#include "platform/process/command_line_source.h"
#include "platform/process/message_box.h"

namespace {

struct Box {
    std::string text;
    std::string caption;
};

class CommandLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::setMessageBoxHandler([this](const std::string& text, const std::string& caption,
                                              platform::MessageBoxIcon) { boxes.push_back({text, caption}); });
    }
    void TearDown() override { platform::setMessageBoxHandler({}); }

    void record(std::vector<std::string> words) {
        storage = std::move(words);
        pointers.clear();
        for (std::string& word : storage) pointers.push_back(word.data());
        pointers.push_back(nullptr);
        platform::recordCommandLine(static_cast<int>(storage.size()), pointers.data());
    }

    std::vector<Box> boxes;
    std::vector<std::string> storage;
    std::vector<char*> pointers;
};

TEST_F(CommandLineTest, NoArgumentsMeansNoProjectNoEditorNoBox) {
    record({"demo"});
    CommandLine commandLine;
    EXPECT_EQ(commandLine.projectFile, nullptr);
    EXPECT_FALSE(commandLine.editor);
    EXPECT_EQ(commandLine.argumentCount, 1);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(CommandLineTest, ProjectFileIsShownInABoxThenKept) {
    record({"demo", "projectfile", "shows/party.xml"});
    CommandLine commandLine;
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Arglist contents");
    EXPECT_EQ(boxes[0].text, "shows/party.xml");
    ASSERT_NE(commandLine.projectFile, nullptr);
    EXPECT_EQ(*commandLine.projectFile, "shows/party.xml");
}

TEST_F(CommandLineTest, TheValueAfterProjectFileIsAlsoAnArgument) {
    record({"demo", "projectfile", "editor"});
    CommandLine commandLine;
    ASSERT_NE(commandLine.projectFile, nullptr);
    EXPECT_EQ(*commandLine.projectFile, "editor");
    EXPECT_TRUE(commandLine.editor);
}

TEST_F(CommandLineTest, ProjectFileAsTheLastArgumentShowsAnEmptyBox) {
    record({"demo", "editor", "projectfile"});
    CommandLine commandLine;
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "");
    EXPECT_EQ(commandLine.projectFile, nullptr);
    EXPECT_TRUE(commandLine.editor);
}

TEST_F(CommandLineTest, OnlyTheExactLowerCaseWordsCount) {
    record({"demo", "Editor", "-editor", "/editor", "EDITOR", "editors", "ProjectFile", "x"});
    CommandLine commandLine;
    EXPECT_FALSE(commandLine.editor);
    EXPECT_EQ(commandLine.projectFile, nullptr);
    EXPECT_TRUE(boxes.empty());
}

TEST(CommandLineSource, NothingRecordedMeansTheCommandLineCannotBeSplit) {
    platform::recordCommandLine(0, nullptr);
    try {
        CommandLine commandLine;
        FAIL() << "expected an exception";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Unable to parse command line");
    }
}

}  // namespace
