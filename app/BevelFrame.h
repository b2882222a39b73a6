// A frame of one or more bevels, as drawn around panels and pictures.
#pragma once

#include <QWidget>
#include <vector>

namespace zarvo {

enum class Bevel {
    Lowered, // shadow at the top and left, light at the bottom and right
    Raised,  // light at the top and left, shadow at the bottom and right
};

// Draws its bevels one pixel wide each, the first outermost. Children sit inside it as in a
// panel; without a filled background it only frames what lies under it.
class BevelFrame final : public QWidget {
public:
    BevelFrame(std::vector<Bevel> bevels, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<Bevel> bevels_;
};

} // namespace zarvo
