// The image cache and its loader thread.
#include <vrel_ui/image_store.h>

#include "image_decode.h"

#include <vrel_ui/launch.h>

#include <condition_variable>
#include <deque>
#include <exception>
#include <list>
#include <mutex>
#include <thread>
#include <unordered_map>

namespace vrel_ui {

namespace {

struct Entry {
    ImageState::Kind kind { ImageState::Loading };
    ImageRef image;
    std::string error;
    std::list<std::string>::iterator recency; // valid while Ready
};

// Runs on the loader thread. A throwing loader fails its key instead of ending the process.
base::Result<Image, std::string> load_and_decode(ImageLoader const& loader, std::string const& key)
{
    try {
        auto const bytes = loader(key);
        if (!bytes)
            return base::unexpected(std::string("failed: no data for this image"));
        return decode_image(*bytes);
    } catch (std::exception const& e) {
        return base::unexpected("failed: loading threw: " + std::string(e.what()));
    } catch (...) {
        return base::unexpected(std::string("failed: loading threw"));
    }
}

std::size_t byte_size(Image const& image) { return image.pixels.size() * sizeof(std::uint32_t); }

} // namespace

struct ImageStore::State {
    ImageLoader loader;
    std::size_t cache_limit {};

    mutable std::mutex mutex;
    std::condition_variable work_ready;
    std::condition_variable idle;
    std::deque<std::string> queue;
    std::unordered_map<std::string, Entry> entries;
    std::list<std::string> recency; // Ready keys, most recently used first
    std::size_t cached_bytes {};
    bool busy { false };
    bool stopping { false };

    std::thread worker;

    // Records a finished key and trims the cache; called with the mutex held.
    void finish(std::string const& key, base::Result<Image, std::string> outcome);
    void evict_beyond_limit();
};

void ImageStore::State::finish(std::string const& key, base::Result<Image, std::string> outcome)
{
    Entry& entry = entries[key];
    if (!outcome) {
        entry.kind = ImageState::Failed;
        entry.error = std::move(outcome).error();
        return;
    }
    auto image = std::make_shared<Image const>(std::move(outcome).value());
    cached_bytes += byte_size(*image);
    entry.kind = ImageState::Ready;
    entry.image = std::move(image);
    recency.push_front(key);
    entry.recency = recency.begin();
    evict_beyond_limit();
}

void ImageStore::State::evict_beyond_limit()
{
    // The newest image always stays, so one image larger than the whole budget is still shown.
    // An evicted key is forgotten entirely; asking for it again reloads it.
    while (cached_bytes > cache_limit && recency.size() > 1) {
        auto const victim = entries.find(recency.back());
        cached_bytes -= byte_size(*victim->second.image);
        entries.erase(victim);
        recency.pop_back();
    }
}

ImageStore::ImageStore(ImageLoader loader, std::size_t cache_bytes)
    : m_state(std::make_unique<State>())
{
    VERIFY(loader);
    m_state->loader = std::move(loader);
    m_state->cache_limit = cache_bytes;
    m_state->worker = std::thread([this] { run_loader(); });
}

ImageStore::~ImageStore()
{
    {
        std::lock_guard const lock(m_state->mutex);
        m_state->stopping = true;
        m_state->queue.clear();
    }
    m_state->work_ready.notify_all();
    m_state->worker.join();
}

void ImageStore::run_loader()
{
    State& state = *m_state;
    for (;;) {
        std::string key;
        {
            std::unique_lock lock(state.mutex);
            state.work_ready.wait(lock, [&] { return state.stopping || !state.queue.empty(); });
            if (state.stopping)
                return;
            key = std::move(state.queue.front());
            state.queue.pop_front();
            state.busy = true;
        }
        // The loader and decoder run unlocked, so get() answers while a slow key loads.
        auto outcome = load_and_decode(state.loader, key);
        {
            std::lock_guard const lock(state.mutex);
            state.finish(key, std::move(outcome));
            state.busy = false;
        }
        state.idle.notify_all();
        // A window blocked waiting for input draws the new picture now rather than on the
        // next event.
        launch::wake_ui_thread();
    }
}

ImageState ImageStore::get(std::string const& key)
{
    State& state = *m_state;
    std::lock_guard const lock(state.mutex);
    auto const [it, inserted] = state.entries.try_emplace(key);
    if (inserted) {
        state.queue.push_back(key);
        state.work_ready.notify_one();
        return { ImageState::Loading, nullptr, {} };
    }
    Entry const& entry = it->second;
    if (entry.kind == ImageState::Ready)
        state.recency.splice(state.recency.begin(), state.recency, entry.recency);
    return { entry.kind, entry.image, entry.error };
}

bool ImageStore::is_idle() const
{
    std::lock_guard const lock(m_state->mutex);
    return m_state->queue.empty() && !m_state->busy;
}

void ImageStore::block_until_idle()
{
    std::unique_lock lock(m_state->mutex);
    m_state->idle.wait(lock, [&] { return m_state->queue.empty() && !m_state->busy; });
}

std::size_t ImageStore::cached_bytes() const
{
    std::lock_guard const lock(m_state->mutex);
    return m_state->cached_bytes;
}

} // namespace vrel_ui
