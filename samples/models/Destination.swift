import Foundation
import SwiftData

@Model
final class Destination {
    var city: String
    var country: String
    var arrival: Date
    var departure: Date
    var trip: Trip?

    @Relationship(deleteRule: .cascade, inverse: \Activity.destination)
    var activities: [Activity] = []

    var lodging: Booking?

    init(city: String, country: String, arrival: Date, departure: Date) {
        self.city = city
        self.country = country
        self.arrival = arrival
        self.departure = departure
    }
}
