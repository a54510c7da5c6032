#include "testsupport/uno/TestOffice.h"

#include "link/AutomationError.h"
#include "link/uno/OfficeProcesses.h"

#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include <csignal>
#include <cstdlib>
#include <stdexcept>
#include <thread>
#include <unistd.h>

namespace testsupport {

using automation::uno::runningOffices;
namespace fs = std::filesystem;

fs::path testOfficesFolder()
{
    if (const char* root = std::getenv("TESSAVO_TEST_OFFICES"); root && *root)
        return root;
    return fs::temp_directory_path() / ("tessavo-test-offices-" + std::to_string(getuid()));
}

TestOffice::TestOffice(const std::string& name, bool start)
{
    m_folder = testOfficesFolder() / (name + "-" + std::to_string(getpid()));
    fs::remove_all(m_folder);
    fs::create_directories(m_folder);
    m_options.profile = "file://" + m_folder.string();
    const char* run = std::getenv("TESSAVO_TEST_OFFICE_RUN");
    m_options.pipe = "tessavo_test_" + (run && *run ? std::string(run) : std::to_string(getpid())) + "_" + name;
    m_options.headless = true;
    m_options.startTimeout = std::chrono::seconds(120);
    // The tests' requests are small: an office silent for this long has hung.
    m_options.callTimeout = std::chrono::seconds(5);
    if (!start)
        return;
    m_office = automation::uno::startOffice(m_options);
    if (pid() == 0)
        throw std::runtime_error("the test office runs under no process id");
}

automation::uno::Office& TestOffice::connection()
{
    if (!m_office || m_office->gone())
        m_office = automation::uno::Office::connect(automation::uno::pipeName(m_options), true, m_options.callTimeout);
    if (!m_office)
        throw std::runtime_error("the test office does not answer");
    return *m_office;
}

pid_t TestOffice::pid() const
{
    const auto offices = runningOffices(m_options.profile);
    return offices.empty() ? 0 : offices.front().pid;
}

TestOffice::~TestOffice()
{
    stop();
}

void TestOffice::closeAll()
{
    const auto components = connection().desktop()->getComponents()->createEnumeration();
    while (components->hasMoreElements()) {
        const css::uno::Reference<css::util::XCloseable> document(components->nextElement(), css::uno::UNO_QUERY);
        if (document.is())
            document->close(true);
    }
}

void TestOffice::kill()
{
    if (const pid_t office = pid(); office > 0)
        ::kill(office, SIGKILL);
    for (int i = 0; i < 100 && !runningOffices(m_options.profile).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

void TestOffice::freeze(bool frozen)
{
    if (const pid_t office = pid(); office > 0)
        ::kill(office, frozen ? SIGSTOP : SIGCONT);
}

void TestOffice::stop()
{
    if (const pid_t office = pid(); office > 0) {
        try {
            // Closed documents leave no lock files; terminate removes the profile's own.
            closeAll();
            connection().desktop()->terminate();
        } catch (const std::exception&) {
        } catch (const css::uno::Exception&) {
        }
        automation::uno::stopOffice(office, std::chrono::seconds(20));
    }
    if (m_office)
        m_office->abandon();
    std::error_code ec;
    fs::remove_all(m_folder, ec);
    const std::string socket = "OSL_PIPE_" + std::to_string(getuid()) + "_" + m_options.pipe;
    fs::remove(fs::temp_directory_path(ec) / socket, ec);
    fs::remove(fs::path("/tmp") / socket, ec);
}

} // namespace testsupport
