#pragma once

// The one observable object holding the opened document and the view state the window's parts
// must agree on. Views read its fields, listen to the change signals and call its operations.
// Every field and operation belongs to the UI thread; a setter that stores an equal value emits
// nothing.

// moc cannot parse the standard library's concepts; it needs none of these declarations.
#ifndef Q_MOC_RUN
#include "model/DatabaseSchema.h"
#include "model/LayoutConfiguration.h"
#endif

#include <QObject>
#include <QString>
#include <QTemporaryDir>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ketterly {

namespace sqlite {
class SerialWorker;
}

class AppState : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(bool showOpenPanel READ showOpenPanel WRITE setShowOpenPanel NOTIFY showOpenPanelChanged)
    Q_PROPERTY(
        bool showFolderPanel READ showFolderPanel WRITE setShowFolderPanel NOTIFY showFolderPanelChanged)
    Q_PROPERTY(double zoomLevel READ zoomLevel WRITE setZoomLevel NOTIFY zoomLevelChanged)

  public:
    static constexpr double layerSeparation = LayoutConfiguration::defaultLayerSeparation;
    static constexpr double nodeSeparation = LayoutConfiguration::defaultNodeSeparation;
    static constexpr double edgeCornerRadius = LayoutConfiguration::defaultEdgeCornerRadius;

    explicit AppState(QObject* parent = nullptr);
    ~AppState() override;

    const std::optional<std::string>& databaseURL() const { return databaseURL_; }
    const std::optional<DatabaseSchema>& schema() const { return schema_; }
    const std::optional<TableSchema>& selectedTable() const { return selectedTable_; }
    bool isLoading() const { return isLoading_; }
    const std::optional<std::string>& errorMessage() const { return errorMessage_; }
    bool showOpenPanel() const { return showOpenPanel_; }
    bool showFolderPanel() const { return showFolderPanel_; }
    double zoomLevel() const { return zoomLevel_; }
    Size panOffset() const { return panOffset_; }
    SourceType sourceType() const { return sourceType_; }
    ViewMode viewMode() const { return viewMode_; }
    LayoutDirection layoutDirection() const { return layoutDirection_; }
    const std::vector<RoutedEdge>& routedEdges() const { return routedEdges_; }
    const std::map<std::string, Point>& tablePositions() const { return tablePositions_; }
    const std::optional<std::string>& securityScopedURL() const { return securityScopedURL_; }

    void setSelectedTable(std::optional<TableSchema> table);
    void setErrorMessage(std::optional<std::string> message);
    void setShowOpenPanel(bool show);
    void setShowFolderPanel(bool show);
    void setZoomLevel(double zoom);
    void setPanOffset(Size offset);
    void setViewMode(ViewMode mode);
    void setLayoutDirection(LayoutDirection direction);

    // Seeds the random source of the layout's shuffles; absent means a fresh random seed.
    void setLayoutSeed(std::optional<std::uint64_t> seed) { layoutSeed_ = seed; }
    std::optional<std::uint64_t> layoutSeed() const { return layoutSeed_; }

    // Opens an SQLite database through a working copy; the load runs off the UI thread and ends
    // with openFinished. A later open supersedes one still running: only the last one applies.
    void openDatabase(const QString& path);

    // Opens a folder of Swift model files as the document, with no database behind it. The
    // parsing runs off the UI thread like a database load, ends with openFinished, and a later
    // open supersedes it.
    void openModelsFolder(const QString& path);

    // Lays the document out again in the current direction, forgetting dragged positions, and
    // routes its edges again; zoom, pan, selection and view mode stay.
    void relayout();

    // Records the position of a table the user dragged.
    void updateTablePosition(const std::string& name, double x, double y);

    // The private directory (mode 0700) that holds this run's working copies.
    QString temporaryDirectory() const { return temporaryDirectory_.path(); }

  signals:
    void databaseURLChanged();
    void schemaChanged();
    void selectedTableChanged();
    void isLoadingChanged();
    void errorMessageChanged();
    void showOpenPanelChanged();
    void showFolderPanelChanged();
    void zoomLevelChanged();
    void panOffsetChanged();
    void sourceTypeChanged();
    void viewModeChanged();
    void layoutDirectionChanged();
    void routedEdgesChanged();
    void tablePositionsChanged();
    void securityScopedURLChanged();

    // An open operation ended; `succeeded` says whether it replaced the document.
    void openFinished(bool succeeded);

  private:
    struct LoadOutcome;
    template <typename T> void assign(T& field, T value, void (AppState::*changed)());
    std::uint64_t beginOpen(const QString& path);
    template <typename Job> void runOpen(std::uint64_t generation, Job job);
    void applyLoad(std::uint64_t generation, const std::shared_ptr<LoadOutcome>& outcome);
    void routeEdges();
    QString newWorkingDirectory();

    std::optional<std::string> databaseURL_;
    std::optional<DatabaseSchema> schema_;
    std::optional<TableSchema> selectedTable_;
    bool isLoading_ = false;
    std::optional<std::string> errorMessage_;
    bool showOpenPanel_ = false;
    bool showFolderPanel_ = false;
    double zoomLevel_ = 1.0;
    Size panOffset_;
    SourceType sourceType_ = SourceType::database;
    ViewMode viewMode_ = ViewMode::erd;
    LayoutDirection layoutDirection_ = LayoutDirection::topToBottom;
    std::vector<RoutedEdge> routedEdges_;
    std::map<std::string, Point> tablePositions_;
    std::optional<std::string> securityScopedURL_;
    std::optional<std::uint64_t> layoutSeed_;

    QTemporaryDir temporaryDirectory_;
    std::uint64_t openGeneration_ = 0;
    QString documentDirectory_;                    // holds the working copy of the document shown
    std::unique_ptr<sqlite::SerialWorker> worker_; // last member: joined before the rest goes
};

} // namespace ketterly
