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

TestOffice::TestOffice(const std::string& name)
{
    m_folder = testOfficesFolder() / (name + "-" + std::to_string(getpid()));
    fs::remove_all(m_folder);
    fs::create_directories(m_folder);
    m_options.profile = "file://" + m_folder.string();
    const char* run = std::getenv("TESSAVO_TEST_OFFICE_RUN");
    m_options.pipe = "tessavo_test_" + (run && *run ? std::string(run) : std::to_string(getpid())) + "_" + name;
    m_options.headless = true;
    m_options.startTimeout = std::chrono::seconds(120);
    m_office = automation::uno::startOffice(m_options);
    const auto offices = runningOffices(m_options.profile);
    if (offices.empty())
        throw std::runtime_error("the test office runs under no process id");
    m_pid = offices.front().pid;
}

TestOffice::~TestOffice()
{
    stop();
}

void TestOffice::closeAll()
{
    const auto components = m_office->desktop()->getComponents()->createEnumeration();
    while (components->hasMoreElements()) {
        const css::uno::Reference<css::util::XCloseable> document(components->nextElement(), css::uno::UNO_QUERY);
        if (document.is())
            document->close(true);
    }
}

void TestOffice::kill()
{
    if (m_pid > 0)
        ::kill(m_pid, SIGKILL);
    for (int i = 0; i < 100 && !runningOffices(m_options.profile).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

void TestOffice::stop()
{
    if (m_pid > 0 && !runningOffices(m_options.profile).empty()) {
        try {
            // Closed documents leave no lock files; terminate removes the profile's own.
            closeAll();
            m_office->desktop()->terminate();
        } catch (const css::uno::Exception&) {
        }
        automation::uno::stopOffice(m_pid, std::chrono::seconds(20));
    }
    m_pid = 0;
    if (m_office)
        m_office->abandon();
    std::error_code ec;
    fs::remove_all(m_folder, ec);
    const std::string socket = "OSL_PIPE_" + std::to_string(getuid()) + "_" + m_options.pipe;
    fs::remove(fs::temp_directory_path(ec) / socket, ec);
    fs::remove(fs::path("/tmp") / socket, ec);
}

} // namespace testsupport
