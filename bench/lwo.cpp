// Loading LightWave objects: every object of the test folder and the game's
// three meshes, each read from memory (the parse) and from its file.
#include "lwo/LwoObject.h"

#include <benchmark/benchmark.h>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <malloc.h>
#include <new>
#include <string>
#include <vector>

// Every allocation is counted (by the size the allocator really gives), so a
// benchmark can report the peak memory a load takes.
namespace {
size_t heapInUse = 0;
size_t heapPeak = 0;
} // namespace

void* operator new(size_t size)
{
    void* block = std::malloc(size > 0 ? size : 1);
    if (!block)
        throw std::bad_alloc();
    heapInUse += malloc_usable_size(block);
    heapPeak = std::max(heapPeak, heapInUse);
    return block;
}

void operator delete(void* block) noexcept
{
    if (!block)
        return;
    heapInUse -= malloc_usable_size(block);
    std::free(block);
}

void operator delete(void* block, size_t) noexcept { operator delete(block); }

namespace {

std::vector<uint8_t> readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The most memory one load holds at once, the file's own bytes included, as a
// multiple of the file's size.
double peakMemoryPerFileByte(const std::vector<uint8_t>& bytes)
{
    const size_t before = heapInUse;
    heapPeak = heapInUse;
    LwoObjectPtr object = loadLwoObjectFromMemory(bytes.data(), bytes.size());
    object.reset();
    return double(heapPeak - before + bytes.size()) / double(std::max<size_t>(bytes.size(), 1));
}

void loadFromMemory(benchmark::State& state, const std::filesystem::path& path)
{
    const std::vector<uint8_t> bytes = readFile(path);
    state.counters["peak_memory_x_file"] = peakMemoryPerFileByte(bytes);
    size_t polygons = 0;
    for (auto _ : state) {
        LwoObjectPtr object = loadLwoObjectFromMemory(bytes.data(), bytes.size());
        polygons = 0;
        if (object)
            for (const auto& layer : object->layers)
                polygons += layer->polygons.size();
        benchmark::DoNotOptimize(object);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
    state.counters["polygons"] = double(polygons);
}

void loadFromFile(benchmark::State& state, const std::filesystem::path& path)
{
    for (auto _ : state) {
        LwoObjectPtr object = loadLwoObject(path);
        benchmark::DoNotOptimize(object);
    }
}

bool isObject(const std::filesystem::path& path)
{
    return path.extension() == ".lwo" || path.filename() == "formatDetection";
}

// One benchmark per object, named by its path below the folder.
void registerFolder(const std::filesystem::path& folder, const std::string& prefix)
{
    if (!std::filesystem::exists(folder))
        return;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (isObject(entry.path()))
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const auto& path : files) {
        const std::string name = prefix + std::filesystem::relative(path, folder).string();
        benchmark::RegisterBenchmark(("parse/" + name).c_str(), loadFromMemory, path)->Unit(benchmark::kMicrosecond);
    }
}

const bool registered = [] {
    const std::filesystem::path media = VESBRIK_MEDIA_DIR;
    for (const char* mesh : {"chamferbox.lwo", "frame.lwo", "box.lwo"}) {
        benchmark::RegisterBenchmark((std::string("parse/game/") + mesh).c_str(), loadFromMemory, media / mesh)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((std::string("file/game/") + mesh).c_str(), loadFromFile, media / mesh)
            ->Unit(benchmark::kMicrosecond);
    }
    registerFolder(std::filesystem::path(VESBRIK_TESTDATA_DIR) / "lwo", "testdata/");
    return true;
}();

} // namespace

BENCHMARK_MAIN();
