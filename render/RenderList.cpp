#include "render/RenderList.h"

#include "render/Material.h"
#include "render/Mesh.h"
#include "render/SceneEntity.h"

void drawRenderList(const RenderList& list, CItemDrawer& drawer)
{
    CMaterial* current = nullptr;
    size_t runStart = 0;
    int passCount = 0;
    int pass = 0;
    size_t i = 0;
    for (;;) {
        if (current && i < list.size() && list[i].material == current) {
            const size_t length = subsetRunLength(list, i);
            drawer.drawItems(std::span(list).subspan(i, length));
            i += length;
            continue;
        }
        // The run ended (another material, or the end of the list): draw it
        // again in the next pass, or finish the material.
        if (current) {
            current->endPass(pass);
            ++pass;
            if (pass < passCount) {
                current->beginPass(pass);
                i = runStart;
                continue;
            }
            current->end();
            current = nullptr;
        }
        if (i >= list.size())
            break;
        if (!list[i].material) {
            ++i;
            continue;
        }
        current = list[i].material;
        runStart = i;
        passCount = current->begin();
        pass = 0;
        current->beginPass(0);
    }
}

size_t subsetRunLength(std::span<const RenderItem> items, size_t first)
{
    size_t end = first;
    while (end < items.size() && items[end].subset == items[first].subset &&
           items[end].material == items[first].material)
        ++end;
    return end - first;
}

void collectInstances(std::span<const RenderItem> run, std::vector<MeshInstance>& instances)
{
    instances.clear();
    for (const RenderItem& item : run) {
        if (!item.entity || !item.subset)
            continue;
        instances.push_back({item.entity->world, item.subset->values.diffuse * item.entity->colour});
    }
}
