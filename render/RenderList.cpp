#include "render/RenderList.h"

#include "render/Material.h"

void drawRenderList(const RenderList& list, CItemDrawer& drawer)
{
    CMaterial* current = nullptr;
    size_t runStart = 0;
    int passCount = 0;
    int pass = 0;
    size_t i = 0;
    for (;;) {
        if (current && i < list.size() && list[i].material == current) {
            drawer.drawItem(list[i]);
            ++i;
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
        drawer.drawItem(list[i]);
        ++i;
    }
}
