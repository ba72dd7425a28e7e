// Estimators not yet in this build: the run stops with a clear explanation.
#include "estimators.h"

#include "run_context.h"
#include "stop.h"

#include <string>

namespace specest {
namespace {

[[noreturn]] void unavailable(const char* name) {
    Report& r = run_report();
    r.blanks(2);
    r.line(Line().rep('-', 72));
    r.line(Line().x(9).a("The ").a(name).a(" method is not available in this build."));
    r.line(Line().rep('-', 72));
    r.blanks(2);
    stop(std::string(" ") + name + " method not available in this build");
}

} // namespace

void rmle(Vec1<float>, int&, int&, Vec1<float>, float&) { unavailable("RMLE"); }
void mvse(Vec1<cfloat>, int&, int&, int&, float&, int&, Vec1<float>, int&) { unavailable("MVSE"); }
void lockheed(Vec1<cfloat>, int&, int&, int&, Vec1<cfloat>, Vec1<cfloat>, int&, float&, int&) {
    unavailable("Lockheed");
}

} // namespace specest
