import Foundation
import SwiftData

enum TripStatus: String, Codable, CaseIterable {
    case planning
    case booked
    case underway
    case finished
}

@Model
final class Trip {
    var name: String
    var startDate: Date
    var endDate: Date
    var status: TripStatus = TripStatus.planning
    var notes: String?

    @Relationship(deleteRule: .cascade, inverse: \Destination.trip)
    var destinations: [Destination] = []

    @Relationship(deleteRule: .cascade, inverse: \PackingItem.trip) var packingItems: [PackingItem] = []

    @Relationship(inverse: \Traveler.trips) var travelers: [Traveler] = []

    var durationInDays: Int { max(1, Int(endDate.timeIntervalSince(startDate) / 86_400)) }

    init(name: String, startDate: Date, endDate: Date) {
        self.name = name
        self.startDate = startDate
        self.endDate = endDate
    }
}
