#include "model/vpdownloader_model.h"

#include <atomic>

namespace {

std::atomic<VPDownloaderModel*> g_model{nullptr};

} // namespace

VPDownloaderModel* VPDownloaderModel::instance()
{
    VPDownloaderModel* model = g_model.load();
    if (!model) {
        model = new VPDownloaderModel();
        g_model.store(model);
    }
    return model;
}

VPDownloaderModel* VPDownloaderModel::existing() { return g_model.load(); }

void VPDownloaderModel::destroy()
{
    VPDownloaderModel* model = g_model.exchange(nullptr);
    if (!model) return;
    model->shutdown();
    delete model;
}

void VPDownloaderModel::shutdown() {}
