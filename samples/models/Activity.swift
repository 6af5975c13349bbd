import Foundation
import SwiftData

@Model
final class Activity {
    var title: String
    var startsAt: Date
    var durationMinutes: Int = 60
    var cost: Decimal?
    var destination: Destination?
    var booking: Booking?

    init(title: String, startsAt: Date) {
        self.title = title
        self.startsAt = startsAt
    }
}
