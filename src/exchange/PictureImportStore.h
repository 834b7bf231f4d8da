#pragma once

#include "ImportPictureTarget.h"
#include "PictureStore.h"

class TDAODatabase;

// The pictures of an import, read and re-encoded as a picture set in an editor is (the same
// refusals, sizes and limits) and stored in the catalogue's picture table.
class PictureImportStore : public ImportPictureTarget
{
public:
    explicit PictureImportStore(TDAODatabase& db);

    QString store(int folder, qint64 item, const QByteArray& bytes) override;

private:
    PictureStore m_store;
};
