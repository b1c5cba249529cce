#include "i18n.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    char const* key;
    char const* want;
};

TEST(ChatCatalog, EveryKeyYieldsItsEnglishText)
{
    Case const cases[] = {
        { "chat-mention-agent-tag", "agent" },
        { "chat-identity-available", "Available" },
        { "chat-identity-in-voice", "In voice" },
        { "chat-sidebar-add-category", "\uFF0B Category" },
        { "chat-call-mute", "Mute" },
        { "chat-call-unmute", "Unmute" },
        { "chat-call-deafen", "Deafen" },
        { "chat-call-undeafen", "Undeafen" },
        { "chat-call-audio-only", "Audio only" },
        { "chat-call-collapse", "Collapse" },
        { "chat-call-leave", "Leave" },
        { "chat-no-such-key", "chat-no-such-key" },
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(chat::t(c.key), c.want);
    }
}

TEST(ChatCatalog, CallControlKeysAreInButtonOrder)
{
    std::string labels;
    for (auto key : chat::call_control_keys)
        labels += chat::t(key) + "|";
    EXPECT_EQ(labels, "Mute|Unmute|Deafen|Undeafen|Audio only|Collapse|Leave|");
}

} // namespace
