#include "app/AppState.h"

#include "layout/DiagramLayout.h"
#include "layout/EdgeRouter.h"
#include "schema/SchemaLoader.h"
#include "schema/SwiftModelParser.h"
#include "schema/WorkingCopy.h"
#include "sqlite/SerialWorker.h"

#include <QDir>
#include <QFile>
#include <QMetaObject>
#include <QPointer>

namespace ketterly {

struct AppState::LoadOutcome {
    SourceType sourceType = SourceType::database;
    std::string copyPath;
    std::optional<DatabaseSchema> schema;
    std::string errorDescription;
};

AppState::AppState(QObject* parent)
    : QObject(parent), temporaryDirectory_(QDir::tempPath() + "/ketterly-XXXXXX"),
      worker_(std::make_unique<sqlite::SerialWorker>()) {}

AppState::~AppState() {
    // Let a running load finish before the directory holding its copy goes away.
    worker_.reset();
}

template <typename T> void AppState::assign(T& field, T value, void (AppState::*changed)()) {
    if (field == value)
        return;
    field = std::move(value);
    emit(this->*changed)();
}

void AppState::setSelectedTable(std::optional<TableSchema> table) {
    assign(selectedTable_, std::move(table), &AppState::selectedTableChanged);
}
void AppState::setErrorMessage(std::optional<std::string> message) {
    assign(errorMessage_, std::move(message), &AppState::errorMessageChanged);
}
void AppState::setShowOpenPanel(bool show) {
    assign(showOpenPanel_, show, &AppState::showOpenPanelChanged);
}
void AppState::setShowFolderPanel(bool show) {
    assign(showFolderPanel_, show, &AppState::showFolderPanelChanged);
}
void AppState::setZoomLevel(double zoom) {
    assign(zoomLevel_, zoom, &AppState::zoomLevelChanged);
}
void AppState::setPanOffset(Size offset) {
    assign(panOffset_, offset, &AppState::panOffsetChanged);
}
void AppState::setViewMode(ViewMode mode) {
    assign(viewMode_, mode, &AppState::viewModeChanged);
}
void AppState::setLayoutDirection(LayoutDirection direction) {
    assign(layoutDirection_, direction, &AppState::layoutDirectionChanged);
}

void AppState::updateTablePosition(const std::string& name, double x, double y) {
    const Point point{x, y};
    auto found = tablePositions_.find(name);
    if (found != tablePositions_.end() && found->second == point)
        return;
    tablePositions_[name] = point;
    emit tablePositionsChanged();
}

QString AppState::newWorkingDirectory() {
    // Each open gets its own folder, so a failed open never replaces the working copy of the
    // document still shown, even when both files have the same name.
    if (!temporaryDirectory_.isValid())
        return {};
    const QString path = temporaryDirectory_.filePath(QString::number(openGeneration_));
    QDir().mkpath(path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

std::uint64_t AppState::beginOpen(const QString& path) {
    assign(isLoading_, true, &AppState::isLoadingChanged);
    setErrorMessage(std::nullopt);

    // Linux has no scoped access to acquire: the chosen location is only recorded.
    assign(securityScopedURL_, std::optional<std::string>(QFile::encodeName(path).toStdString()),
           &AppState::securityScopedURLChanged);
    return ++openGeneration_;
}

// Runs `job` on the worker, so a large document never stalls the window, and applies its outcome
// on the UI thread.
template <typename Job> void AppState::runOpen(std::uint64_t generation, Job job) {
    QPointer<AppState> self(this);
    worker_->run(std::move(job), [self, generation](std::shared_ptr<LoadOutcome> outcome) {
        QMetaObject::invokeMethod(
            self.data(),
            [self, generation, outcome] {
                if (self)
                    self->applyLoad(generation, outcome);
            },
            Qt::QueuedConnection);
    });
}

void AppState::openDatabase(const QString& path) {
    const std::uint64_t generation = beginOpen(path);
    const QString directory = newWorkingDirectory();
    const std::string source = QFile::encodeName(path).toStdString();
    const std::string target = QFile::encodeName(directory).toStdString();
    const LayoutConfiguration configuration{layoutDirection_, layerSeparation, nodeSeparation,
                                            edgeCornerRadius};
    const bool haveDirectory = !directory.isEmpty();
    const std::optional<std::uint64_t> seed = layoutSeed_;

    // The copy and the load both run on the worker.
    runOpen(generation, [=] {
        auto outcome = std::make_shared<LoadOutcome>();
        if (!haveDirectory) {
            outcome->errorDescription = "Cannot create a private temporary directory for the working copy.";
            return outcome;
        }
        auto copy = copyDatabaseToDirectory(source, target);
        if (!copy) {
            outcome->errorDescription = copy.error().description();
            return outcome;
        }
        outcome->copyPath = copy.value();
        auto schema = SchemaLoader(outcome->copyPath, configuration, seed).loadSchema();
        if (schema)
            outcome->schema = std::move(schema).value();
        else
            outcome->errorDescription = schema.error().description();
        return outcome;
    });
}

void AppState::openModelsFolder(const QString& path) {
    const std::uint64_t generation = beginOpen(path);
    const std::string folder = QFile::encodeName(path).toStdString();
    const LayoutDirection direction = layoutDirection_;
    const std::optional<std::uint64_t> seed = layoutSeed_;

    // Source files are only read, so no working copy is made.
    runOpen(generation, [=] {
        auto outcome = std::make_shared<LoadOutcome>();
        outcome->sourceType = SourceType::modelsFolder;
        LayoutRandom random = seed ? LayoutRandom(*seed) : LayoutRandom::fromEntropy();
        auto schema =
            SwiftModelParser().parseModelsFolder(folder, direction, layerSeparation, nodeSeparation, random);
        if (schema)
            outcome->schema = std::move(schema).value();
        else
            outcome->errorDescription = schema.error().description();
        return outcome;
    });
}

void AppState::applyLoad(std::uint64_t generation, const std::shared_ptr<LoadOutcome>& outcome) {
    const QString directory = temporaryDirectory_.filePath(QString::number(generation));
    if (generation != openGeneration_) {
        // A later open was asked for meanwhile; it alone decides what is shown.
        QDir(directory).removeRecursively();
        return;
    }
    if (!outcome->schema) {
        QDir(directory).removeRecursively();
        setErrorMessage(outcome->errorDescription);
        assign(isLoading_, false, &AppState::isLoadingChanged);
        emit openFinished(false);
        return;
    }

    // The previous working copy goes with the document it belonged to; a models folder has none.
    if (!documentDirectory_.isEmpty())
        QDir(documentDirectory_).removeRecursively();
    const bool isDatabase = outcome->sourceType == SourceType::database;
    documentDirectory_ = isDatabase ? directory : QString();

    DatabaseSchema schema = std::move(*outcome->schema);
    std::optional<TableSchema> first;
    if (!schema.tables.empty())
        first = schema.tables.front();
    assign(databaseURL_, isDatabase ? std::optional<std::string>(outcome->copyPath) : std::nullopt,
           &AppState::databaseURLChanged);
    assign(schema_, std::optional<DatabaseSchema>(std::move(schema)), &AppState::schemaChanged);
    setSelectedTable(std::move(first));
    assign(tablePositions_, {}, &AppState::tablePositionsChanged);
    assign(isLoading_, false, &AppState::isLoadingChanged);
    assign(sourceType_, outcome->sourceType, &AppState::sourceTypeChanged);
    setViewMode(ViewMode::erd);
    setZoomLevel(1.0);
    setPanOffset({});
    routeEdges();
    emit openFinished(true);
}

void AppState::routeEdges() {
    std::vector<RoutedEdge> edges;
    if (schema_)
        edges =
            ketterly::routeEdges(schema_->relationships, schema_->tables, layoutDirection_, edgeCornerRadius);
    assign(routedEdges_, std::move(edges), &AppState::routedEdgesChanged);
}

void AppState::relayout() {
    if (!schema_)
        return;
    assign(tablePositions_, {}, &AppState::tablePositionsChanged);
    LayoutRandom random = layoutSeed_ ? LayoutRandom(*layoutSeed_) : LayoutRandom::fromEntropy();
    auto tables = layoutTables(schema_->tables, layoutDirection_, layerSeparation, nodeSeparation, random);
    auto edges = ketterly::routeEdges(schema_->relationships, tables, layoutDirection_, edgeCornerRadius);
    assign(routedEdges_, std::move(edges), &AppState::routedEdgesChanged);
    assign(schema_, std::optional<DatabaseSchema>(makeSchema(std::move(tables), schema_->fileName)),
           &AppState::schemaChanged);
}

} // namespace ketterly
