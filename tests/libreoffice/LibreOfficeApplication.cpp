#include "testsupport/uno/LibreOfficeWorld.h"

#include <gtest/gtest.h>

#include <memory>

// The shared tests of the operations run here against LibreOffice Calc, in one headless office for the whole
// program, started before the first test and stopped after the last.
std::vector<testsupport::Application> testsupport::applicationsUnderTest()
{
    return {Application::LibreOffice};
}

namespace {

class SharedOffice final : public testing::Environment {
public:
    void SetUp() override
    {
        m_office = std::make_unique<testsupport::TestOffice>("shared");
        testsupport::provideLibreOffice(*m_office);
    }
    void TearDown() override { m_office.reset(); }

private:
    std::unique_ptr<testsupport::TestOffice> m_office;
};

const auto* const g_environment = testing::AddGlobalTestEnvironment(new SharedOffice);

} // namespace
