import SwiftData
import SwiftUI

@main
struct TripPlannerApp: App {
    var body: some Scene {
        WindowGroup {
            TripListView()
        }
        .modelContainer(for: [Trip.self, Traveler.self, Expense.self])
    }
}
