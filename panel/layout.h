// The panel's controls as designed, in the window's creation order, and the
// set that owns them.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "panel/controls.h"

namespace dudo {

struct ControlDesign {
    Kind kind;
    const char* name;
    int index;  // -1: not part of a control array
    const char* caption;
    Geometry geometry;
    int tabIndex;  // -1: takes no focus
};

// The 35 rows of the designed layout, in creation order.
const std::vector<ControlDesign>& DesignedLayout();

// Owns the controls built from the layout, in creation order.
class ControlSet {
public:
    ControlSet();
    const std::vector<Control*>& controls() const { return order_; }
    Control* find(const std::string& name, int index = -1) const;

protected:
    template <class T> T& Get(const std::string& name, int index = -1) const {
        return dynamic_cast<T&>(*find(name, index));
    }

private:
    std::vector<std::unique_ptr<Control>> owned_;
    std::vector<Control*> order_;
};

}  // namespace dudo
