#pragma once

// One connection to a LibreOffice process over a UNO bridge. UNO's types stay inside link/uno.

#include "link/uno/Uno.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

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
};

/// A live bridge to an office: its component context and desktop. Calls made after the office has gone throw
/// DisposedException; `gone()` turns true as soon as the bridge notices.
class Office {
public:
    /// Connects to an office accepting on `pipe`; null when none answers there.
    static std::shared_ptr<Office> connect(const std::string& pipe, bool headless);

    ~Office();

    const css::uno::Reference<css::frame::XDesktop2>& desktop() const { return m_desktop; }
    const css::uno::Reference<css::uno::XComponentContext>& context() const { return m_context; }
    /// The office shows no windows: frames must stay hidden, or it ends.
    bool headless() const { return m_headless; }
    bool gone() const { return m_gone->load(); }
    /// Drops the bridge, so that a call blocked on it returns with DisposedException.
    void abandon();

private:
    Office() = default;

    css::uno::Reference<css::lang::XComponent> m_bridge;
    css::uno::Reference<css::uno::XComponentContext> m_context;
    css::uno::Reference<css::frame::XDesktop2> m_desktop;
    std::shared_ptr<std::atomic<bool>> m_gone = std::make_shared<std::atomic<bool>>(false);
    bool m_headless = false;
};

/// The pipe of this user's offices when `options` names none.
std::string pipeName(const OfficeOptions& options);

/// The office this user runs, made to accept on the pipe when it does not yet; null when none runs.
std::shared_ptr<Office> attachOffice(const OfficeOptions& options);

/// Starts an office (or, when one runs on the profile already, makes it accept) and waits for it. Throws
/// AutomationError (429) with the reason when LibreOffice is not installed or does not answer in time.
std::shared_ptr<Office> startOffice(const OfficeOptions& options);

} // namespace automation::uno
