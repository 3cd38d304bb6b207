#include "core/componentstate.h"

#include <atomic>

namespace felcora {

ComponentState &state()
{
    thread_local ComponentState threadState;
    return threadState;
}

void ComponentState::publish(const CustomerPick &pick)
{
    Cliente_Nombre = pick.nombre;
    Cliente_Cuit = pick.cuit;
    Cliente_Domicilio = pick.domicilio;
    Cliente_EMail = pick.email;
    Cliente_Regalias = pick.regalias;
    Cliente_AjustexVinculacion = pick.ajusteVinculacion;
}

void ComponentState::clearLeftCustomer()
{
    Cliente_Nombre.clear();
    Cliente_Cuit.clear();
    Cliente_Domicilio.clear();
}

namespace {
std::atomic<int> liveObjects{0};
}

LiveObject::LiveObject()
{
    ++liveObjects;
}
LiveObject::~LiveObject()
{
    --liveObjects;
}
int LiveObject::count()
{
    return liveObjects.load();
}

} // namespace felcora
