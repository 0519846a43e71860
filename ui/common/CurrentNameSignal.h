#pragma once

#include <QObject>

#include <string>

namespace quorvel::ui {

/// Tells the windows that follow the typed name when CurrentName changes.
class CurrentNameSignal final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CurrentNameSignal)

public:
    static CurrentNameSignal& instance();

    /// Sets CurrentName and, when it differs from before, says so.
    void set(const std::string& name);

Q_SIGNALS:
    void changed();

private:
    CurrentNameSignal() = default;
};

} // namespace quorvel::ui
