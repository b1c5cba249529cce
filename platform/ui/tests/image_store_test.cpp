#include <vrel_ui/image_store.h>

#include "pixbuf_handles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace {

using vrel_ui::ImageState;
using vrel_ui::ImageStore;
using Bytes = std::vector<std::uint8_t>;
using PixbufPtr = std::unique_ptr<GdkPixbuf, vrel_ui::FreeWith<g_object_unref>>;

// An opaque PNG of one colour, encoded by gdk-pixbuf.
Bytes png(int width, int height, std::uint32_t rgb)
{
    PixbufPtr const pixbuf { gdk_pixbuf_new(GDK_COLORSPACE_RGB, false, 8, width, height) };
    gdk_pixbuf_fill(pixbuf.get(), rgb << 8 | 0xff);
    gchar* buffer = nullptr;
    gsize size = 0;
    EXPECT_TRUE(gdk_pixbuf_save_to_buffer(pixbuf.get(), &buffer, &size, "png", nullptr, nullptr));
    vrel_ui::GMemoryPtr const owned { buffer };
    return Bytes(buffer, buffer + size);
}

// Serves fixed bytes per key and counts how often each key was asked for.
class FakeSource {
public:
    void set(std::string key, std::optional<Bytes> bytes)
    {
        std::lock_guard const lock(m_mutex);
        m_bytes[std::move(key)] = std::move(bytes);
    }
    int calls(std::string const& key) const
    {
        std::lock_guard const lock(m_mutex);
        auto const it = m_calls.find(key);
        return it == m_calls.end() ? 0 : it->second;
    }
    vrel_ui::ImageLoader loader()
    {
        return [this](std::string const& key) -> std::optional<Bytes> {
            std::lock_guard const lock(m_mutex);
            ++m_calls[key];
            if (key == "throws")
                throw std::runtime_error("disk on fire");
            auto const it = m_bytes.find(key);
            return it == m_bytes.end() ? std::nullopt : it->second;
        };
    }

private:
    mutable std::mutex m_mutex;
    std::map<std::string, std::optional<Bytes>> m_bytes;
    std::map<std::string, int> m_calls;
};

TEST(ImageStore, FirstGetQueuesAndLaterGetsAnswerFromTheCache)
{
    FakeSource source;
    source.set("red", png(3, 2, 0xff0000));
    ImageStore store(source.loader());
    EXPECT_EQ(store.get("red").kind, ImageState::Loading);
    store.block_until_idle();
    ImageState const state = store.get("red");
    ASSERT_EQ(state.kind, ImageState::Ready) << state.error;
    ASSERT_TRUE(state.image);
    EXPECT_EQ(state.image->width, 3);
    EXPECT_EQ(state.image->height, 2);
    EXPECT_EQ(state.image->pixels, std::vector<std::uint32_t>(6, 0xffff0000u));
    EXPECT_EQ(store.get("red").image, state.image);
    EXPECT_EQ(source.calls("red"), 1);
    EXPECT_EQ(store.cached_bytes(), 6 * sizeof(std::uint32_t));
}

TEST(ImageStore, FailuresCarryAReasonAndAreNotRetried)
{
    struct Case {
        std::string key;
        std::optional<Bytes> bytes;
        std::string_view want_error;
    };
    Case const cases[] = {
        { "missing", std::nullopt, "failed: no data for this image" },
        { "garbage", Bytes { 'n', 'o', 'p', 'e' }, "failed: not a PNG, JPEG, WebP, GIF or BMP image" },
        { "throws", std::nullopt, "failed: loading threw: disk on fire" },
    };
    FakeSource source;
    for (Case const& c : cases)
        source.set(c.key, c.bytes);
    ImageStore store(source.loader());
    for (Case const& c : cases)
        EXPECT_EQ(store.get(c.key).kind, ImageState::Loading);
    store.block_until_idle();
    for (Case const& c : cases) {
        SCOPED_TRACE(c.key);
        ImageState const state = store.get(c.key);
        EXPECT_EQ(state.kind, ImageState::Failed);
        EXPECT_EQ(state.error, c.want_error);
        EXPECT_FALSE(state.image);
        store.block_until_idle();
        EXPECT_EQ(source.calls(c.key), 1);
    }
}

TEST(ImageStore, BlockUntilIdleReturnsWhenNothingWasQueued)
{
    FakeSource source;
    ImageStore store(source.loader());
    EXPECT_TRUE(store.is_idle());
    store.block_until_idle();
    EXPECT_TRUE(store.is_idle());
}

TEST(ImageStore, IsBusyWhileTheLoaderRuns)
{
    std::promise<void> started;
    std::promise<void> release;
    std::shared_future<void> const gate = release.get_future().share();
    Bytes const bytes = png(1, 1, 0x00ff00);
    ImageStore store([&](std::string const&) -> std::optional<Bytes> {
        started.set_value();
        gate.wait();
        return bytes;
    });
    EXPECT_EQ(store.get("slow").kind, ImageState::Loading);
    started.get_future().wait();
    EXPECT_FALSE(store.is_idle());
    EXPECT_EQ(store.get("slow").kind, ImageState::Loading);
    release.set_value();
    store.block_until_idle();
    EXPECT_TRUE(store.is_idle());
    EXPECT_EQ(store.get("slow").kind, ImageState::Ready);
}

TEST(ImageStore, EvictsTheLeastRecentlyUsedImageBeyondTheBudget)
{
    FakeSource source;
    for (std::string key : { "a", "b", "c" })
        source.set(key, png(4, 4, 0x123456));
    std::size_t const image_bytes = 4 * 4 * sizeof(std::uint32_t);
    ImageStore store(source.loader(), 2 * image_bytes);
    auto const load = [&](std::string const& key) {
        (void)store.get(key);
        store.block_until_idle();
        return store.get(key).kind;
    };
    ASSERT_EQ(load("a"), ImageState::Ready);
    ASSERT_EQ(load("b"), ImageState::Ready);
    ASSERT_EQ(store.get("a").kind, ImageState::Ready); // "a" is now the most recent
    ASSERT_EQ(load("c"), ImageState::Ready); // over budget: "b" goes
    EXPECT_EQ(store.cached_bytes(), 2 * image_bytes);
    EXPECT_EQ(store.get("a").kind, ImageState::Ready);
    EXPECT_EQ(store.get("c").kind, ImageState::Ready);
    EXPECT_EQ(store.get("b").kind, ImageState::Loading); // evicted, so loaded again
    store.block_until_idle();
    EXPECT_EQ(store.get("b").kind, ImageState::Ready);
    EXPECT_EQ(source.calls("a"), 1);
    EXPECT_EQ(source.calls("b"), 2);
}

TEST(ImageStore, AnImageLargerThanTheBudgetIsStillServed)
{
    FakeSource source;
    source.set("big", png(8, 8, 0xabcdef));
    source.set("next", png(8, 8, 0xfedcba));
    ImageStore store(source.loader(), 16);
    (void)store.get("big");
    store.block_until_idle();
    EXPECT_EQ(store.get("big").kind, ImageState::Ready);
    (void)store.get("next");
    store.block_until_idle();
    EXPECT_EQ(store.get("next").kind, ImageState::Ready);
    EXPECT_EQ(store.cached_bytes(), 8 * 8 * sizeof(std::uint32_t));
}

TEST(ImageStore, HandsOutImagesThatOutliveEviction)
{
    FakeSource source;
    source.set("a", png(4, 4, 0x111111));
    source.set("b", png(4, 4, 0x222222));
    ImageStore store(source.loader(), 1);
    (void)store.get("a");
    store.block_until_idle();
    vrel_ui::ImageRef const held = store.get("a").image;
    (void)store.get("b");
    store.block_until_idle();
    ASSERT_TRUE(held);
    EXPECT_EQ(held->pixels.front(), 0xff111111u);
}

TEST(ImageStore, ConcurrentGetsLoadEachKeyOnce)
{
    FakeSource source;
    for (int i = 0; i < 20; ++i)
        source.set("k" + std::to_string(i), png(2, 2, std::uint32_t(i)));
    ImageStore store(source.loader());
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 20; ++i)
                (void)store.get("k" + std::to_string(i));
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    store.block_until_idle();
    for (int i = 0; i < 20; ++i) {
        std::string const key = "k" + std::to_string(i);
        EXPECT_EQ(store.get(key).kind, ImageState::Ready) << key;
        EXPECT_EQ(source.calls(key), 1) << key;
    }
}

// The destructor must not wait for queued keys, only for the one being loaded, and no loader
// call may start once it has returned.
TEST(ImageStore, DestroyingWithAQueuePendingJoinsCleanly)
{
    std::atomic<int> calls { 0 };
    std::atomic<int> in_flight { 0 };
    std::atomic<bool> destroyed { false };
    std::atomic<bool> called_after_destruction { false };
    std::promise<void> started;
    std::promise<void> release;
    std::shared_future<void> const gate = release.get_future().share();
    std::thread releaser;
    {
        ImageStore store([&](std::string const&) -> std::optional<Bytes> {
            ++in_flight;
            if (destroyed)
                called_after_destruction = true;
            if (calls++ == 0) {
                started.set_value();
                gate.wait();
            }
            --in_flight;
            return std::nullopt;
        });
        (void)store.get("first");
        started.get_future().wait();
        for (int i = 0; i < 1000; ++i)
            (void)store.get("queued" + std::to_string(i));
        // Let the destructor begin while the first load is still blocked.
        releaser = std::thread([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            release.set_value();
        });
    }
    destroyed = true;
    releaser.join();
    EXPECT_EQ(in_flight, 0);
    EXPECT_FALSE(called_after_destruction);
    EXPECT_GE(calls, 1);
}

TEST(ImageStore, DestroyingRightAfterConstructionJoins)
{
    FakeSource source;
    for (int i = 0; i < 3; ++i) {
        ImageStore store(source.loader());
        (void)store.get("x");
    }
}

} // namespace
