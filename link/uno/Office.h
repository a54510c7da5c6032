#pragma once

// One connection to a LibreOffice process over a UNO bridge. UNO's types stay inside link/uno.

#include "link/uno/Uno.h"

#include <com/sun/star/connection/XConnection.hpp>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace automation::uno {

/// Where the office is and how to reach it.
struct OfficeOptions {
    /// The launcher; empty: soffice as installed.
    std::string launcher;
    /// The profile of the office to attach to or start, as a file URL; empty: the user's own profile.
    std::string profile;
    /// The pipe the office accepts UNO connections on; empty: one of this user's own.
    std::string pipe;
    /// Start the office without windows even where it could show them.
    bool headless = false;
    /// How long a start may take until the office answers, and an attach until it accepts.
    std::chrono::milliseconds startTimeout = std::chrono::seconds(60);
    std::chrono::milliseconds attachTimeout = std::chrono::seconds(10);
    /// How long one request may go unanswered before the office counts as hung and is let go.
    std::chrono::milliseconds callTimeout = std::chrono::seconds(30);
};

/// A live bridge to an office: its component context and desktop. Calls made after the office has gone throw
/// DisposedException; `gone()` turns true as soon as the bridge notices.
class Office : public std::enable_shared_from_this<Office> {
public:
    /// Connects to an office accepting on `pipe`; null when none accepts there. A request unanswered for
    /// `callTimeout` abandons the connection; when that happens here, the office has hung: AutomationError (429).
    static std::shared_ptr<Office> connect(const std::string& pipe, bool headless,
                                           std::chrono::milliseconds callTimeout = std::chrono::seconds(30));

    ~Office();

    /// Held while requests are made to the office: one that hangs is ended with DisposedException once the
    /// office's time is up, so the program never waits on a hung office for ever.
    /// A long run of requests under one Request: the office answered the last one, its time starts again.
    void renew();

    class Request {
    public:
        explicit Request(Office& office);
        ~Request();
        Request(const Request&) = delete;
        Request& operator=(const Request&) = delete;

    private:
        Office& m_office;
    };

    const css::uno::Reference<css::frame::XDesktop2>& desktop() const { return m_desktop; }
    const css::uno::Reference<css::uno::XComponentContext>& context() const { return m_context; }
    /// The office shows no windows: frames must stay hidden, or it ends.
    bool headless() const { return m_headless; }
    bool gone() const { return m_gone->load(); }
    /// Drops the bridge, so that a call blocked on it returns with DisposedException.
    void abandon();

private:
    Office() = default;
    void watch();

    css::uno::Reference<css::connection::XConnection> m_connection;
    css::uno::Reference<css::lang::XComponent> m_bridge;
    css::uno::Reference<css::uno::XComponentContext> m_context;
    css::uno::Reference<css::frame::XDesktop2> m_desktop;
    std::shared_ptr<std::atomic<bool>> m_gone = std::make_shared<std::atomic<bool>>(false);
    bool m_headless = false;

    // The watch over requests: how many are under way on this thread's calls, and since when.
    std::chrono::milliseconds m_callTimeout{0};
    std::mutex m_mutex;
    std::condition_variable m_wake;
    int m_requests = 0;
    std::chrono::steady_clock::time_point m_since;
    bool m_closing = false;
    std::atomic<bool> m_timedOut{false};
    std::thread m_watch;
};

/// The pipe of this user's offices when `options` names none.
std::string pipeName(const OfficeOptions& options);

/// The office this user runs, made to accept on the pipe when it does not yet; null when none runs.
std::shared_ptr<Office> attachOffice(const OfficeOptions& options);

/// Starts an office (or, when one runs on the profile already, makes it accept) and waits for it. Throws
/// AutomationError (429) with the reason when LibreOffice is not installed or does not answer in time.
std::shared_ptr<Office> startOffice(const OfficeOptions& options);

} // namespace automation::uno
