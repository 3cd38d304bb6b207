// The public headers need C++20; the package must ask for it.
static_assert(__cplusplus >= 202002L, "the Felcora targets do not require C++20");

#include <felcora/clListado.h>
#include <felcora/hostkit/brokerconfig.h>
#include <felcora/hostkit/recordbroker.h>

int main()
{
    felcora::hostkit::EntitySettings a, b;
    return a == b ? 0 : 1;
}
