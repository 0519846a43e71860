#include "ui/availability/ProgramChecker.h"

#include "availability/Checker.h"

#include <QCoreApplication>
#include <QPointer>

namespace quorvel::ui {

namespace {

QPointer<availability::Checker> g_replacement;
QPointer<availability::Checker> g_program;

} // namespace

availability::Checker& programChecker()
{
    if (g_replacement) {
        return *g_replacement;
    }
    if (!g_program) {
        // Owned by the application, so its network layer goes before Qt does.
        g_program =
            new availability::Checker(availability::CheckerConfig::fromEnvironment(), QCoreApplication::instance());
    }
    return *g_program;
}

void setProgramChecker(availability::Checker* checker)
{
    g_replacement = checker;
}

} // namespace quorvel::ui
