// Termination on Windows: the end of the user's session, as the toolkit reports it.
#include "Termination.h"

#include <QGuiApplication>
#include <QSessionManager>

namespace app {

void onTerminationRequest(std::function<void()> handler)
{
    QObject::connect(qGuiApp, &QGuiApplication::commitDataRequest, qGuiApp,
                     [handler = std::move(handler)](QSessionManager&) { handler(); });
}

} // namespace app
