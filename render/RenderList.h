#pragma once
// Lists of mesh subsets as placed by entities, drawn grouped by material and
// pass: each run of consecutive items with the same material is begun once
// and drawn completely in every pass of it before the next run starts.
#include <span>
#include <vector>

#include "device/Device.h"

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
    // Consecutive items of one subset and one material; one by one unless
    // the drawer can do better.
    virtual void drawItems(std::span<const RenderItem> run)
    {
        for (const RenderItem& item : run)
            drawItem(item);
    }
};

// Items are drawn in list order; an item without a material is skipped.
void drawRenderList(const RenderList& list, CItemDrawer& drawer);

// The length of the run of items from `first` on that share its subset and
// material (at least 1 while first is inside the list).
size_t subsetRunLength(std::span<const RenderItem> items, size_t first);

// The items' entities' world matrices, and their colours times the subset's
// diffuse colour, in the items' order: what an instanced draw of them needs.
void collectInstances(std::span<const RenderItem> run, std::vector<MeshInstance>& instances);
