// Images by key, loaded and decoded off the UI thread and kept in a bounded memory cache.
//
// Widgets call get() every frame; the first call queues the key and later calls answer from
// the cache, so drawing never waits for disk, network or decoding.
#pragma once

#include <vrel_ui/image.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vrel_ui {

// Fetches the encoded bytes for a key; none when there are none. Runs on the loader thread.
using ImageLoader = std::function<std::optional<std::vector<std::uint8_t>>(std::string const& key)>;

struct ImageState {
    enum Kind : unsigned char { Loading, Ready, Failed };
    Kind kind { Loading };
    ImageRef image; // set when Ready
    std::string error; // set when Failed: "failed: <reason>"
};

class ImageStore {
public:
    // Decoded pixels kept before the least recently used images are dropped.
    static constexpr std::size_t kDefaultCacheBytes = std::size_t(256) * 1024 * 1024;

    // Starts the one loader thread, which calls `loader` and then decodes, one key at a time.
    explicit ImageStore(ImageLoader loader, std::size_t cache_bytes = kDefaultCacheBytes);
    // Drops keys still queued, waits for the one in progress, and joins the thread.
    ~ImageStore();

    ImageStore(ImageStore const&) = delete;
    ImageStore& operator=(ImageStore const&) = delete;

    // Loading (queued by the first call for a key), Ready, or Failed. A Ready image evicted
    // from the cache is queued again. Failures are remembered and not retried.
    [[nodiscard]] ImageState get(std::string const& key);

    // True when nothing is queued and the loader thread is not working on a key.
    [[nodiscard]] bool is_idle() const;
    // Waits until is_idle(); returns at once when nothing was queued.
    void block_until_idle();

    // Bytes of decoded pixels the cache holds now.
    [[nodiscard]] std::size_t cached_bytes() const;

private:
    struct State;
    void run_loader();

    std::unique_ptr<State> m_state;
};

} // namespace vrel_ui
