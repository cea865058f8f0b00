#include "objects/item.h"

cItem::cItem() = default;
void cItem::OnScaleChange(int, int, int) {}
