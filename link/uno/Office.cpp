#include "link/uno/Office.h"

#include "link/AutomationError.h"
#include "link/uno/OfficeProcesses.h"

#include <com/sun/star/bridge/BridgeFactory.hpp>
#include <com/sun/star/bridge/XBridge.hpp>
#include <com/sun/star/connection/Connector.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/lang/XEventListener.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <cppuhelper/implbase1.hxx>

#include <cstdlib>
#include <map>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace automation::uno {

using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

namespace {

// Tells the connection that its bridge has gone; called on the bridge's own thread.
class BridgeWatch final : public cppu::WeakImplHelper1<css::lang::XEventListener> {
public:
    explicit BridgeWatch(std::shared_ptr<std::atomic<bool>> gone) : m_gone(std::move(gone)) {}
    void SAL_CALL disposing(const css::lang::EventObject&) override { m_gone->store(true); }

private:
    std::shared_ptr<std::atomic<bool>> m_gone;
};

// This process's own UNO runtime, started once. It must find the office's fundamental settings, or the first
// remote call crashes.
Reference<css::uno::XComponentContext> localContext()
{
    static std::once_flag once;
    static Reference<css::uno::XComponentContext> context;
    std::call_once(once, [] {
        if (!std::getenv("URE_BOOTSTRAP"))
            setenv("URE_BOOTSTRAP", "vnd.sun.star.pathname:" TESSAVO_LIBREOFFICE_PROGRAM "/fundamentalrc", 0);
        context = cppu::defaultBootstrap_InitialComponentContext();
    });
    return context;
}

AutomationError cannotStart(const std::string& why)
{
    return AutomationError(errors::kCannotCreateObject, "无法启动 LibreOffice Calc:" + why);
}

std::shared_ptr<Office> waitForOffice(const std::string& pipe, bool headless, std::chrono::milliseconds timeout,
                                      std::chrono::milliseconds callTimeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (auto office = Office::connect(pipe, headless, callTimeout))
            return office;
        if (std::chrono::steady_clock::now() >= deadline)
            return nullptr;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

std::vector<std::string> launchArguments(const OfficeOptions& options, const std::string& pipe, bool headless)
{
    std::vector<std::string> args{"--accept=pipe,name=" + pipe + ";urp;", "--nologo", "--norestore", "--nodefault"};
    if (headless) {
        args.push_back("--headless");
        args.push_back("--invisible");
    }
    if (!options.profile.empty())
        args.push_back("-env:UserInstallation=" + options.profile);
    return args;
}

} // namespace

std::shared_ptr<Office> Office::connect(const std::string& pipe, bool headless, std::chrono::milliseconds callTimeout)
{
    // One bridge to an office per process: a second one to the same office is disposed as soon as it is made.
    static std::mutex mutex;
    static std::map<std::string, std::weak_ptr<Office>> open;
    const std::lock_guard lock(mutex);
    if (auto office = open[pipe].lock(); office && !office->gone())
        return office;
    std::shared_ptr<Office> office;
    try {
        const auto local = localContext();
        const auto connection = css::connection::Connector::create(local)->connect(toUno("pipe,name=" + pipe));
        const auto bridge = css::bridge::BridgeFactory::create(local)->createBridge(
            rtl::OUString(), "urp", connection, Reference<css::bridge::XInstanceProvider>());
        office.reset(new Office);
        office->m_headless = headless;
        office->m_connection = connection;
        office->m_bridge.set(bridge, UNO_QUERY_THROW);
        office->m_bridge->addEventListener(new BridgeWatch(office->m_gone));
        office->m_callTimeout = callTimeout;
        office->m_watch = std::thread([raw = office.get()] { raw->watch(); });
        {
            // A hung office still takes the connection, then never answers.
            const Request request(*office);
            office->m_context.set(bridge->getInstance("StarOffice.ComponentContext"), UNO_QUERY_THROW);
            office->m_desktop = css::frame::Desktop::create(office->m_context);
        }
        open[pipe] = office;
        return office;
    } catch (const css::uno::Exception&) {
        // An office that takes the connection and then never answers will not answer a second try either.
        if (office && office->m_timedOut)
            throw cannotStart("它在 " + std::to_string(callTimeout.count() / 1000) + " 秒内没有响应。");
        return nullptr; // nobody accepts there, or the office went away while we were connecting
    }
}

Office::~Office()
{
    {
        const std::lock_guard lock(m_mutex);
        m_closing = true;
    }
    m_wake.notify_all();
    if (m_watch.joinable())
        m_watch.join();
    abandon();
    try {
        if (m_bridge.is())
            m_bridge->dispose();
    } catch (const css::uno::Exception&) {
    }
}

void Office::watch()
{
    std::unique_lock lock(m_mutex);
    while (!m_closing) {
        m_wake.wait_for(lock, std::chrono::milliseconds(200));
        if (m_requests > 0 && std::chrono::steady_clock::now() - m_since > m_callTimeout && !gone()) {
            m_timedOut = true;
            lock.unlock();
            abandon(); // the request blocked on the bridge returns with DisposedException
            lock.lock();
        }
    }
}

void Office::renew()
{
    const std::lock_guard lock(m_mutex);
    m_since = std::chrono::steady_clock::now();
}

Office::Request::Request(Office& office) : m_office(office)
{
    const std::lock_guard lock(office.m_mutex);
    if (office.m_requests++ == 0)
        office.m_since = std::chrono::steady_clock::now();
}

Office::Request::~Request()
{
    const std::lock_guard lock(m_office.m_mutex);
    --m_office.m_requests;
}

void Office::abandon()
{
    // Closing the connection ends the bridge's reader, which fails every request still waiting for an answer;
    // disposing the bridge itself would wait for them.
    try {
        if (m_connection.is())
            m_connection->close();
    } catch (const css::uno::Exception&) {
    }
    m_gone->store(true);
}

std::string pipeName(const OfficeOptions& options)
{
    return options.pipe.empty() ? "tessavo_" + std::to_string(getuid()) : options.pipe;
}

std::shared_ptr<Office> attachOffice(const OfficeOptions& options)
{
    const std::string pipe = pipeName(options);
    // The user's own office runs on their profile: private offices on profiles of their own are not theirs.
    const auto offices = runningOffices(options.profile);
    if (offices.empty())
        return nullptr;
    const bool headless = offices.front().headless;
    if (auto office = Office::connect(pipe, headless, options.callTimeout))
        return office;
    // A second launch on the same profile hands its accept string to the running office and ends.
    const std::string launcher = options.launcher.empty() ? officeLauncher() : options.launcher;
    if (launcher.empty())
        return nullptr;
    OfficeOptions onItsProfile = options;
    onItsProfile.profile = offices.front().profile;
    // As the running office is: should it end before the hand-off, what starts instead is no hidden stray.
    if (!launchDetached(launcher, launchArguments(onItsProfile, pipe, headless)))
        return nullptr;
    return waitForOffice(pipe, headless, options.attachTimeout, options.callTimeout);
}

std::shared_ptr<Office> startOffice(const OfficeOptions& options)
{
    const std::string pipe = pipeName(options);
    const auto running = runningOffices(options.profile);
    const bool headless = running.empty() ? options.headless || !officeHasWindows() : running.front().headless;
    if (auto office = Office::connect(pipe, headless, options.callTimeout))
        return office;
    const std::string launcher = options.launcher.empty() ? officeLauncher() : options.launcher;
    if (launcher.empty())
        throw cannotStart("没有安装 LibreOffice。");
    if (!launchDetached(launcher, launchArguments(options, pipe, headless)))
        throw cannotStart("无法运行 " + launcher + "。");
    if (auto office = waitForOffice(pipe, headless, options.startTimeout, options.callTimeout))
        return office;
    throw cannotStart("它在 " + std::to_string(options.startTimeout.count() / 1000) + " 秒内没有响应。");
}

} // namespace automation::uno
