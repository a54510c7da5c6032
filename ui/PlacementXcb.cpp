// The frame of a window not yet shown, on X11: the window manager is asked for it (_NET_REQUEST_FRAME_EXTENTS)
// and answers by setting _NET_FRAME_EXTENTS on the window. Other Linux platforms (offscreen, Wayland) know the
// frame already or cannot place windows at all.
#include "ui/Placement.h"

#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

namespace ui {

namespace {

struct FreeReply {
    void operator()(void* p) const { std::free(p); }
};
template <class T> using Reply = std::unique_ptr<T, FreeReply>;

xcb_atom_t atom(xcb_connection_t* c, const char* name)
{
    const Reply<xcb_intern_atom_reply_t> r(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
    return r ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
}

bool managerSupports(xcb_connection_t* c, xcb_window_t root, xcb_atom_t wanted)
{
    const Reply<xcb_get_property_reply_t> r(xcb_get_property_reply(
        c, xcb_get_property(c, 0, root, atom(c, "_NET_SUPPORTED"), XCB_ATOM_ATOM, 0, 4096), nullptr));
    if (!r)
        return false;
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(r.get()));
    const int count = xcb_get_property_value_length(r.get()) / static_cast<int>(sizeof(xcb_atom_t));
    return std::find(atoms, atoms + count, wanted) != atoms + count;
}

} // namespace

QMargins expectedFrameMargins(QWidget& window)
{
    const QMargins known = currentFrameMargins(window);
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!known.isNull() || !x11 || window.isVisible())
        return known;
    xcb_connection_t* c = x11->connection();
    const auto win = static_cast<xcb_window_t>(window.winId());
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_atom_t request = atom(c, "_NET_REQUEST_FRAME_EXTENTS");
    if (request == XCB_ATOM_NONE || !managerSupports(c, root, request))
        return known;

    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = win;
    message.type = request;
    xcb_send_event(c, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(c);

    // Reading the property directly leaves the toolkit's own event queue alone.
    const xcb_atom_t extents = atom(c, "_NET_FRAME_EXTENTS");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
    do {
        const Reply<xcb_get_property_reply_t> r(
            xcb_get_property_reply(c, xcb_get_property(c, 0, win, extents, XCB_ATOM_CARDINAL, 0, 4), nullptr));
        if (r && r->format == 32 && xcb_get_property_value_length(r.get()) == 16) {
            const auto* v = static_cast<const std::uint32_t*>(xcb_get_property_value(r.get()));
            // left, right, top, bottom
            return {static_cast<int>(v[0]), static_cast<int>(v[2]), static_cast<int>(v[1]), static_cast<int>(v[3])};
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } while (std::chrono::steady_clock::now() < deadline);
    return known;
}

} // namespace ui
