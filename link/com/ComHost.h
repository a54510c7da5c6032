#pragma once

#include "link/AutomationHost.h"
#include "link/com/ComPtr.h"

#include <oaidl.h>

#include <string>
#include <vector>

namespace automation::com {

/// Other class names under which another application serves the object model of `className`, tried in order
/// where `className` is not registered on this machine.
struct ClassAlternatives {
    std::string className;
    std::vector<std::string> alternatives;
};

/// Finds and starts automation servers through COM, by ProgID ("Excel.Application") or by CLSID in braces.
/// Needs an Apartment on the calling thread; every object it hands out must be used on that thread.
///
/// A class name that is registered here is the only one tried: if it is not running, or fails to start, it fails as
/// itself. A name that is not registered (its ProgID is unknown) gives way to its alternatives, if it has any: the
/// registered ones are tried in order, and the first that is running is attached to, or the first that starts is
/// started. When none is, the error is that of the name asked for, so the user learns why the application asked
/// for could not be reached.
///
/// Failures throw AutomationError. A class that is not installed, or no running instance, is cannotCreateObject's
/// number (429); any other failure, such as a server that crashed while starting, keeps its failure code as the
/// number. The description is the system's text for the code, or ours (see ComErrors.h), naming the class where
/// the failure is about it, e.g. "无效的类字符串: Excel.Application".
class ComHost final : public AutomationHost {
public:
    /// A host that tries `alternatives` for the class names they list, matched case-insensitively as ProgIDs are.
    /// With none, each class name stands alone.
    explicit ComHost(std::vector<ClassAlternatives> alternatives = {});

    /// The host for the spreadsheet: "Excel.Application", and where Excel is not installed WPS Spreadsheets,
    /// which follows Excel's object model as "Ket.Application", else "ET.Application".
    ///     automation::com::ComHost excel = automation::com::ComHost::forSpreadsheet();
    static ComHost forSpreadsheet();

    /// The instance registered as running (GetActiveObject), as an IDispatch. Cost: a registry lookup per name
    /// tried and a round trip to the running-object table.
    Object getActiveObject(std::string_view className) override;
    /// A new instance in a server process of its own (CoCreateInstance, CLSCTX_LOCAL_SERVER), as an IDispatch.
    /// Cost: a registry lookup per name tried and starting the server, seconds for a large application.
    Object createObject(std::string_view className) override;

private:
    struct Candidates; // the classes a name resolves to, in the order they are tried
    Candidates resolve(std::string_view className) const;
    /// The object of the first candidate for `className` that `attempt` gets one from.
    using Attempt = HRESULT (*)(const CLSID& clsid, ComPtr<IDispatch>& dispatch);
    Object firstThatAnswers(std::string_view className, Attempt attempt) const;

    std::vector<ClassAlternatives> m_alternatives;
};

} // namespace automation::com
