#include "app/vpdownloader_impl.h"

#include "common/log.h"
#include "model/vpdownloader_model.h"
#include "utility/file.h"

bool VPDownloaderImpl::entrance(const wchar_t* commandLine)
{
    VPDownloaderModel* model = VPDownloaderModel::instance();
    WRITE_LOG(L"player path is %s", utility::ufile::moduleFolder().c_str());
    model->init(commandLine);
    return true;
}
