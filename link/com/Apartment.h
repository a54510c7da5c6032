#pragma once

#include <cstdint>

namespace automation::com {

/// COM for the calling thread, as a single-threaded apartment, for as long as this lives. Create one on the user
/// interface thread before any COM call and keep it until the last COM object is gone, e.g. in main:
///
///     automation::com::Apartment apartment;
///     automation::com::ComHost host;
///
/// Never throws: a thread that already runs COM in another mode keeps it (calls still work), and a thread where COM
/// cannot start lets every later COM call fail with its own error, which the program shows then.
class Apartment {
public:
    Apartment() noexcept;
    ~Apartment();
    Apartment(const Apartment&) = delete;
    Apartment& operator=(const Apartment&) = delete;

    /// Whether COM can be called on this thread.
    bool usable() const noexcept;
    /// What CoInitializeEx returned: S_OK, S_FALSE when COM was running already, or a failure code.
    std::int32_t result() const noexcept { return m_result; }

private:
    std::int32_t m_result;
};

} // namespace automation::com
