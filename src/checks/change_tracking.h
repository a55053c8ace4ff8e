#pragma once

#include <QVariant>

namespace mero {

class Dataset;
class Field;

// The check model's side of change tracking: the data-entry forms prepared with tracking call it for
// every value an editor writes and whenever the user leaves a mask editor. The check model installs
// its implementation; without one, tracking calls nothing.
class ChangeTracker {
public:
    virtual ~ChangeTracker() = default;

    // The binding reactions of the item edited in the field.
    virtual void ItemValueChanged(Dataset* dataset, Field* field, const QVariant& newValue,
                                  const QVariant& oldValue) = 0;
    // The derived values that depend on the field (check boxes and mask editors, not memos).
    virtual void DeriveValues(Dataset* dataset, Field* field, const QVariant& value) = 0;
    // The user left the mask editor of the field.
    virtual void ItemExited(Dataset* dataset, Field* field, const QVariant& value) = 0;

    // Installs the implementation (not owned); returns the previous one.
    static ChangeTracker* setCurrent(ChangeTracker* tracker);
    static ChangeTracker* current();
};

} // namespace mero
