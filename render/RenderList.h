#pragma once
// Lists of mesh subsets as placed by entities, drawn grouped by material and
// pass: each run of consecutive items with the same material is begun once
// and drawn completely in every pass of it before the next run starts.
#include <vector>

class CMeshSubset;
class CSceneEntity;
class CMaterial;

struct RenderItem {
    CMeshSubset* subset = nullptr;
    CSceneEntity* entity = nullptr;
    // The subset's material, taken when the item is made.
    CMaterial* material = nullptr;
};

using RenderList = std::vector<RenderItem>;

// Draws one item: applies the material's values for it and draws the subset.
class CItemDrawer {
public:
    virtual ~CItemDrawer() = default;
    virtual void drawItem(const RenderItem& item) = 0;
};

// Items are drawn in list order; an item without a material is skipped.
void drawRenderList(const RenderList& list, CItemDrawer& drawer);
