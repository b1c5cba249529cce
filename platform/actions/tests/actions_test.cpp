#include <vrel_actions/actions.h>

#include <gtest/gtest.h>

using namespace vrel_actions;

TEST(Resource, KeepsActionsAndChildrenInInsertionOrder)
{
    auto const resource
        = Resource("chat.workspace:ws_1", "chat.workspace", "Vrel")
              .with_action(ActionSpec("rename", "Rename", OperationType::Effect, EncodedAction { "k", "1" }))
              .with_action(ActionSpec("open", "Open", OperationType::View, EncodedAction { "k", "2" }))
              .with_child(Resource("chat.channel:c_b", "chat.channel", "b"))
              .with_child(Resource("chat.channel:c_a", "chat.channel", "a"));
    ASSERT_EQ(resource.actions().size(), 2u);
    EXPECT_EQ(resource.actions()[0].id(), "rename");
    EXPECT_EQ(resource.actions()[1].id(), "open");
    ASSERT_EQ(resource.children().size(), 2u);
    EXPECT_EQ(resource.children()[0].label(), "b");
    EXPECT_EQ(resource.find_action("open")->label(), "Open");
    EXPECT_EQ(resource.find_action("nope"), nullptr);
}

TEST(ActionSpec, BuildStampsTheDeclaredOperationType)
{
    ActionSpec const fixed(
        "open", "Open", OperationType::View, EncodedAction { "chat.operation", "{}", OperationType::Effect });
    EXPECT_EQ(fixed.build({})->operation_type, OperationType::View);

    ActionSpec const built = ActionSpec("post", "Post message", OperationType::Effect,
        [](ActionArgs const& args) -> std::optional<EncodedAction> {
            auto text = args.text("text");
            if (!text || text->empty())
                return std::nullopt;
            return EncodedAction { "chat.action", *text };
        })
                                 .with_parameter({ "text", "Message", "Write a message" })
                                 .destructive();
    EXPECT_FALSE(built.build({}).has_value());
    auto const action = built.build(ActionArgs().set("text", "hi"));
    ASSERT_TRUE(action.has_value());
    EXPECT_EQ(action->payload, "hi");
    EXPECT_EQ(action->operation_type, OperationType::Effect);
    EXPECT_TRUE(built.is_destructive());
    EXPECT_EQ(built.risk(), RiskLevel::High);
    EXPECT_EQ(built.parameter()->placeholder, "Write a message");
}

TEST(ActionAddress, EncodesAndDecodesAtTheLastHash)
{
    ActionAddress const address { "chat.reaction:m_1:#", "remove" };
    EXPECT_EQ(address.encode(), "chat.reaction:m_1:##remove");
    EXPECT_EQ(ActionAddress::decode(address.encode()), address);
    EXPECT_FALSE(ActionAddress::decode("no-hash").has_value());
}

TEST(ActionContext, EnrichedByKeepsOwnValues)
{
    ActionContext const mine { { { "origin", "menu" } } };
    ActionContext const theirs { { { "origin", "automation" }, { "user", "u_me" } } };
    auto const merged = mine.enriched_by(theirs);
    EXPECT_EQ(merged.values.at("origin"), "menu");
    EXPECT_EQ(merged.values.at("user"), "u_me");
}

TEST(ActionError, TextFormNamesTheCode)
{
    EXPECT_EQ((ActionError { ErrorCode::Decode, "unknown variant `Nope`" }.to_string()),
        "decode: unknown variant `Nope`");
}
