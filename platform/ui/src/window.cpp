#include "window.h"

#include "c_handles.h"
#include "cairo_scene.h"
#include "sdl_events.h"

#include <SDL.h>
#include <cairo.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>

namespace vrel_ui::launch {

namespace {

using SdlWindow = std::unique_ptr<SDL_Window, FreeWith<SDL_DestroyWindow>>;
using SdlSurface = std::unique_ptr<SDL_Surface, FreeWith<SDL_FreeSurface>>;

Uint32 wake_event_type()
{
    // Registered once, on first use; SDL_RegisterEvents is thread-safe.
    static Uint32 const type = SDL_RegisterEvents(1);
    return type;
}

double monotonic_seconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

class SdlClipboard final : public Clipboard {
public:
    [[nodiscard]] std::string text() const override
    {
        char* raw = SDL_GetClipboardText();
        std::string text = raw ? raw : "";
        SDL_free(raw);
        return text;
    }
    void set_text(std::string_view text) override { SDL_SetClipboardText(std::string(text).c_str()); }
};

class SdlTextInput final : public TextInputHost {
public:
    void start_text_input(Rect caret) override
    {
        SDL_Rect rect { int(caret.x), int(caret.y), std::max(1, int(caret.w)), std::max(1, int(caret.h)) };
        SDL_SetTextInputRect(&rect);
        if (!SDL_IsTextInputActive())
            SDL_StartTextInput();
    }
    void stop_text_input() override
    {
        if (SDL_IsTextInputActive())
            SDL_StopTextInput();
    }
};

// The window's pixels: a Cairo image surface painted each frame and copied to the window's
// own framebuffer, which SDL keeps at the drawable's size (larger than the window on HiDPI
// outputs). Presenting through the framebuffer, not a GPU renderer, keeps the window free of
// OpenGL: Cairo paints on the CPU anyway, and a copy is all the presentation needs.
class Canvas {
public:
    bool resize(int width, int height)
    {
        if (width == m_width && height == m_height && m_surface)
            return true;
        m_surface.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
        if (cairo_surface_status(m_surface.get()) != CAIRO_STATUS_SUCCESS)
            return false;
        m_pixels.reset(SDL_CreateRGBSurfaceWithFormatFrom(cairo_image_surface_get_data(m_surface.get()),
            width, height, 32, cairo_image_surface_get_stride(m_surface.get()), SDL_PIXELFORMAT_ARGB8888));
        m_width = width;
        m_height = height;
        return m_pixels != nullptr;
    }
    void paint(Scene const& scene, double device_scale)
    {
        cairo_surface_set_device_scale(m_surface.get(), device_scale, device_scale);
        CairoPtr cr { cairo_create(m_surface.get()) };
        render_scene(cr.get(), scene, m_shadows);
        cairo_surface_flush(m_surface.get());
    }
    [[nodiscard]] bool present(SDL_Window* window, SDL_Surface* target)
    {
        if (SDL_BlitSurface(m_pixels.get(), nullptr, target, nullptr) != 0)
            return false;
        return SDL_UpdateWindowSurface(window) == 0;
    }

private:
    CairoSurfacePtr m_surface;
    SdlSurface m_pixels;
    ShadowCache m_shadows; // blurred shadow images live across frames
    int m_width {}, m_height {};
};

class WindowLoop {
public:
    WindowLoop(LaunchConfig const& config, SDL_Window* window)
        : m_config(config)
        , m_window(window)
        , m_theme(window_theme())
    {
        // Missing fonts are not fatal: fontconfig falls back to what is installed. Say so once.
        auto const missing = m_text.missing_families();
        if (!missing.empty()) {
            std::string names;
            for (auto const& family : missing)
                names += (names.empty() ? "" : ", ") + family;
            std::fprintf(stderr, "%s: fonts not installed: %s; text is drawn with fallback fonts\n",
                config.application_id.c_str(), names.c_str());
        }
    }

    int run(Widget& root);

private:
    bool frame(Widget& root);
    void dispatch(Widget& root, SDL_Event const& event);

    LaunchConfig const& m_config;
    SDL_Window* m_window;
    Theme m_theme;
    TextRenderer m_text;
    Scene m_scene;
    Canvas m_canvas;
    SdlClipboard m_clipboard;
    SdlTextInput m_text_input;
    bool m_running { true };
    bool m_dirty { true };
};

void WindowLoop::dispatch(Widget& root, SDL_Event const& event)
{
    if (event.type == SDL_QUIT) {
        // SIGINT and SIGTERM arrive here: end without asking.
        m_running = false;
        return;
    }
    if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE) {
        if (!m_config.may_close || m_config.may_close())
            m_running = false;
        return;
    }
    m_dirty = true;
    auto const translated = translate_sdl_event(event);
    if (!translated)
        return;
    EventContext context { m_text, m_theme, m_clipboard, m_text_input, monotonic_seconds() };
    (void)root.handle_event(*translated, context);
}

bool WindowLoop::frame(Widget& root)
{
    int width {}, height {};
    SDL_GetWindowSize(m_window, &width, &height);
    // The framebuffer has the drawable's size: more pixels than the window on HiDPI outputs.
    SDL_Surface* target = SDL_GetWindowSurface(m_window);
    if (!target) {
        std::fprintf(stderr, "%s: cannot draw into the window (%s)\n", m_config.application_id.c_str(),
            SDL_GetError());
        return false;
    }
    int const drawable_w = target->w, drawable_h = target->h;
    if (width <= 0 || height <= 0 || drawable_w <= 0 || drawable_h <= 0)
        return true;
    double const now = monotonic_seconds();
    SyncContext sync { now };
    root.sync(sync);
    auto laid_out = resolve_layout(root.build_layout(), Rect { 0, 0, float(width), float(height) });
    if (!laid_out) {
        std::fprintf(stderr, "%s: %s\n", m_config.application_id.c_str(), to_string(laid_out.error()));
        return false;
    }
    root.apply_layout(*laid_out);
    m_scene.clear();
    m_scene.fill_rect({ 0, 0, float(width), float(height) }, m_theme.background);
    DrawContext draw { m_scene, m_text, m_theme, now };
    root.draw(draw);
    if (!m_canvas.resize(drawable_w, drawable_h)) {
        std::fprintf(stderr, "%s: cannot allocate a %dx%d window surface\n", m_config.application_id.c_str(),
            drawable_w, drawable_h);
        return false;
    }
    m_canvas.paint(m_scene, double(drawable_w) / width);
    if (!m_canvas.present(m_window, target)) {
        std::fprintf(
            stderr, "%s: cannot show the frame (%s)\n", m_config.application_id.c_str(), SDL_GetError());
        return false;
    }
    return true;
}

int WindowLoop::run(Widget& root)
{
    bool const exit_after_first_frame = std::getenv("VREL_UI_EXIT_AFTER_FIRST_FRAME") != nullptr;
    bool animating = false;
    while (m_running) {
        if (m_dirty || animating || root.take_redraw_request()) {
            m_dirty = false;
            if (!frame(root))
                return 1;
            if (exit_after_first_frame)
                return 0;
            animating = root.needs_animation_frame();
        }
        SDL_Event event;
        // Block while nothing moves: an idle window takes no CPU. Animations wake every 16 ms.
        int const got = animating ? SDL_WaitEventTimeout(&event, 16) : SDL_WaitEvent(&event);
        if (!got)
            continue;
        do {
            if (event.type == wake_event_type())
                m_dirty = true;
            else
                dispatch(root, event);
        } while (m_running && SDL_PollEvent(&event));
    }
    return 0;
}

} // namespace

void wake_ui_thread() noexcept
{
    if (!SDL_WasInit(SDL_INIT_EVENTS))
        return;
    SDL_Event event {};
    event.type = wake_event_type();
    SDL_PushEvent(&event);
}

int run_window(LaunchConfig const& config)
{
    auto const& name = config.application_id;
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    SDL_SetHint(SDL_HINT_APP_NAME, config.title.c_str());
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        std::fprintf(stderr,
            "%s: no display available (%s); use --screenshot PATH to render without a window\n", name.c_str(),
            SDL_GetError());
        return 1;
    }
    struct SdlQuit {
        ~SdlQuit() { SDL_Quit(); }
    } const quit;
    Size const size = config.initial_window_size ? config.initial_window_size() : Size { 1280, 800 };
    SdlWindow window { SDL_CreateWindow(config.title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
        int(size.w), int(size.h), SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI) };
    if (!window) {
        std::fprintf(stderr, "%s: cannot open a window (%s)\n", name.c_str(), SDL_GetError());
        return 1;
    }
    // X11 has a shared-memory framebuffer of its own; asking for it keeps OpenGL (and the
    // driver libraries it drags in) out of a window that Cairo paints on the CPU. Wayland has
    // no such path in SDL, which then presents through its own renderer.
    if (std::string_view(SDL_GetCurrentVideoDriver()) == "x11")
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    std::unique_ptr<Widget> root = config.build_root_widget ? config.build_root_widget() : nullptr;
    if (!root) {
        std::fprintf(stderr, "%s: no root widget to show\n", name.c_str());
        return 1;
    }
    WindowLoop loop(config, window.get());
    return loop.run(*root);
}

} // namespace vrel_ui::launch
