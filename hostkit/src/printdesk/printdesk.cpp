#include "printdesk.h"

namespace felcora::hostkit {

PrintDesk::PrintDesk(QObject *parent)
    : QObject(parent)
{
}

void PrintDesk::SetDataAccess(QObject *&dataAccess)
{
    m_dataAccess = dataAccess;
}

// The pick windows arrive with the benefit relations; until then nothing is picked.
QString PrintDesk::getSubRegimenListado() { return {}; }
QString PrintDesk::getVentajasListado() { return {}; }

} // namespace felcora::hostkit
