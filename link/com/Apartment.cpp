#include "link/com/Apartment.h"

#include <objbase.h>

namespace automation::com {

Apartment::Apartment() noexcept : m_result(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}

Apartment::~Apartment()
{
    // Every successful initialisation, S_FALSE included, needs its own uninitialisation; a failed one must not.
    if (SUCCEEDED(m_result))
        CoUninitialize();
}

bool Apartment::usable() const noexcept
{
    return SUCCEEDED(m_result) || m_result == RPC_E_CHANGED_MODE;
}

} // namespace automation::com
